// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningInputError.h"

#include <QStringList>

TuningInputError::TuningInputError(QString message)
    : std::runtime_error(message.toStdString()), m_message(std::move(message)) {}

TuningInputError TuningInputError::at(const QString& file, qint64 row, qint64 column,
                                      const QString& what) {
    QStringList place;
    if (!file.isEmpty())
        place << file;
    QStringList cell;
    if (row > 0)
        cell << QStringLiteral("row %1").arg(row);
    if (column > 0)
        cell << QStringLiteral("column %1").arg(column);
    if (!cell.isEmpty())
        place << cell.join(QStringLiteral(", "));
    place << what;
    return TuningInputError(place.join(QStringLiteral(": ")));
}
