// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// A table of values as other tools and spreadsheets write it (RomRaider Logger, Crome,
// a spreadsheet's "save as CSV"): comma, semicolon or tab between fields, a decimal
// comma, quoted fields with separators or line breaks inside, UTF-8 with or without a
// byte order mark or UTF-16 with one, lines before the names, units in the names or in
// a row of their own, time in seconds, milliseconds, microseconds or as a clock. It is
// the reader of last resort for any text table.
class CsvLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("CSV table"); }
    QStringList extensions() const override {
        return {QStringLiteral("csv"), QStringLiteral("txt"), QStringLiteral("tsv")};
    }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;

    // How a table is laid out, found from its first lines.
    struct Shape {
        char separator = ',';
        bool decimalComma = false;
        int columns = 0;
        qsizetype namesAt = -1; // offsets in the text; -1 when there is no such row
        qsizetype unitsAt = -1;
        qsizetype dataAt = 0;
        QStringList names; // "Column n" where the file names none
        QStringList units; // empty strings where none is given
        QString before;    // the lines before the names, as text
        int timeColumn = -1;
        bool clockTime = false;
    };
    // The shape of the UTF-8 text, or nothing with the reason in `error`.
    static std::optional<Shape> shape(QByteArrayView text, QString* error);
};
