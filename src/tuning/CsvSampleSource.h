// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuningSampleSource.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Samples of another tool's CSV export: a header row naming the columns, then one row
// per sample, separated by commas, semicolons or tabs, with a decimal point or a decimal
// comma. The mapping names the columns that hold the time in seconds, the engine speed,
// the load and the ratio of sensor 1 (and optionally sensor 2), as AFR in the run's fuel
// units or as lambda; optional status columns mark readings as invalid where not 0.
class CsvSampleSource : public TuningSampleSource {
public:
    struct Columns {
        QString time = QStringLiteral("time");
        QString rpm = QStringLiteral("rpm");
        QString load = QStringLiteral("load");
        QString sensor1 = QStringLiteral("afr1");
        // Empty: the file has no second sensor (unless `sensor2Optional` finds one).
        QString sensor2 = QStringLiteral("afr2");
        // The default mapping takes sensor 2 only when the header names it.
        bool sensor2Optional = true;
        QString status1;
        QString status2;
        // The ratio columns hold lambda rather than AFR.
        bool lambda = false;
    };

    CsvSampleSource();
    explicit CsvSampleSource(Columns columns) : m_columns(std::move(columns)) {}

    // "time=COL,rpm=COL,load=COL,afr1=COL[,afr2=COL]" (lambda1= / lambda2= for lambda
    // columns, status1= / status2= for status columns). Throws TuningInputError.
    static Columns parseColumns(const QString& text);

    TuningLog read(const QString& path) const override;

    // The header's column names and the fields of the first rows, for a preview before
    // the columns are chosen.
    struct Preview {
        QStringList header;
        QList<QStringList> rows;
    };
    static Preview preview(QByteArrayView bytes, int rows);
    // The same from bytes already in memory; `source` names them in messages.
    TuningLog parse(QByteArrayView bytes, const QString& source) const;

private:
    Columns m_columns;
};
