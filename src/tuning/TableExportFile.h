// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuneTable.h"
#include "tuning/TuningGrid.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// TunerStudio's single-table export (.table): one table with its x axis (engine speed)
// and y axis (load), rows in the tune's order (the first row the lowest load). The raw
// bytes are kept so that a corrected copy changes only the table's numbers.
class TableExportFile {
public:
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;

    static TableExportFile readFile(const QString& path);
    static TableExportFile parse(QByteArrayView bytes, const QString& source);

    const QString& source() const { return m_source; }
    // The axes' names are the engine computer's output channels ("rpm", "fuelload"); the
    // digits are the fewest that write every value (exports carry binary noise such as
    // 44.300000000000004).
    const TuneTable& table() const { return m_table; }

    // A copy with the values replaced (one row per engine-speed bin, one column per load
    // bin); empty cells and unchanged values keep their text.
    QByteArray withValues(const TuningGrid& values) const;

    // A new export of `table` with `values`, as TunerStudio writes one (CRLF lines).
    static QByteArray write(const TuneTable& table, const TuningGrid& values);

private:
    QString m_source;
    QByteArray m_bytes;
    TuneTable m_table;
    qsizetype m_zBegin = 0;
    qsizetype m_zEnd = 0;
};
