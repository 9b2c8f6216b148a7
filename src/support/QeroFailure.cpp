// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/QeroFailure.h"

QeroFailure::QeroFailure(QString source, QString description)
    : std::runtime_error(description.toStdString()), m_source(std::move(source)),
      m_description(std::move(description)) {}

QeroFailure QeroFailure::commTimeout() {
    return QeroFailure(QStringLiteral("Comm Error"),
                       QStringLiteral("RS-232 timeout. Check cable and click Abort."));
}
