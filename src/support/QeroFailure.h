// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

// A failure that interrupts the current step: shown by the common error report with its
// description, and carried with its source so that callers can tell what failed.
class QeroFailure : public std::runtime_error {
public:
    QeroFailure(QString source, QString description);

    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

    // The module did not answer in time.
    static QeroFailure commTimeout();

private:
    QString m_source;
    QString m_description;
};
