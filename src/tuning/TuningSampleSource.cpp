#include "tuning/TuningSampleSource.h"

bool TuningSampleSource::isLogFile(const QString& path) {
    return path.endsWith(QLatin1String(".log"), Qt::CaseInsensitive);
}
