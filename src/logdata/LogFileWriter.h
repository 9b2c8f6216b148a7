// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QByteArray>
#include <QString>

// The ".log" file's text: 8 header lines, one row per sample for all 12000 samples and
// 4 trailer lines, comma-separated, strings in double quotes, every line ending in CR LF.
// The pieces are separate so that the save command can let events run between rows and
// ask for a comment before the comment line.
class LogFileWriter {
public:
    // " QERO4D Data Downloaded" after the maker's short label.
    static QString trailerLabel(const QString& makerLabel);

    // Chooses the text encoding for the strings of this log: the single-byte code page
    // when every character fits it, UTF-8 otherwise.
    explicit LogFileWriter(const LogBuffer& log, const QString& makerLabel);

    QByteArray header() const;
    // Sample `index` (0-based). A status code 1 to 6 stands in place of the AFR.
    QByteArray row(int index) const;
    void appendRow(QByteArray& out, int index) const;
    // The download-date line.
    QByteArray trailerDate() const;
    // Comment, fuel-name and ratio lines; an empty comment is written as a single space.
    QByteArray trailerRest() const;

    // A text as it goes into a quoted field: CR and LF become blanks and double quotes
    // single ones, so that no text can end its field or its line and so change other
    // values of the file (a comment carrying its own "Fuel Type" line). `commaEnds` is
    // for the fields read as exactly two fields per line (the legend and the download
    // date), where a comma would end the field too; it becomes a blank there.
    static QString fieldText(const QString& s, bool commaEnds = false);

    // The whole file at once, with the log's comment as it is.
    static QByteArray whole(const LogBuffer& log, const QString& makerLabel);

private:
    QByteArray text(const QString& s) const;
    QByteArray quoted(const QString& s, bool commaEnds = false) const;

    const LogBuffer& m_log;
    QString m_makerLabel;
    bool m_utf8 = false;
};
