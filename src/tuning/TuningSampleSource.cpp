// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningSampleSource.h"

bool TuningSampleSource::isLogFile(const QString& path) {
    return path.endsWith(QLatin1String(".log"), Qt::CaseInsensitive);
}
