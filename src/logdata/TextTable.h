// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"
#include "logdata/LogReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// The rows of a delimited text log (CSV, MSL, a Haltech export), read in one pass over
// the bytes: no line is copied and no field becomes a QString, so a million-row file
// reads in a fraction of a second. The readers of those formats find the names, the
// units and where the rows start; this reads the rows.
class TextTable {
public:
    // The longest line (or quoted record) read. Logs have lines of a few kilobytes at
    // most; a longer one is a file that is not a log, and is refused rather than held.
    static constexpr qsizetype kMaxLineBytes = qsizetype(1) << 20;
    // The most values a table is read into (2 GiB of them): a log of a million rows of 500
    // channels holds a fourth of it.
    static constexpr std::size_t kMaxValues = std::size_t(1) << 29;
    // How much of a file is looked at to find its separator, names and units.
    static constexpr qsizetype kSampleBytes = qsizetype(256) * 1024;
    static constexpr int kSampleRecords = 200;

    // The file's text as UTF-8: a UTF-8 byte order mark is skipped, UTF-16 with a byte
    // order mark (as spreadsheet programs save) is converted into `storage`. The view
    // returned points into `bytes` or `storage`.
    static QByteArrayView utf8(QByteArrayView bytes, QByteArray& storage);
    // Whether the bytes look like text: no NUL and few other control bytes (UTF-16 with
    // a byte order mark counts as text).
    static bool looksLikeText(QByteArrayView head);

    // The field's text for names and units: quotes taken off, doubled quotes made one,
    // blanks trimmed; UTF-8, or Latin-1 where it is not valid UTF-8.
    static QString text(QByteArrayView field);
    // A short excerpt of a line for a message: escaped, at most 60 characters.
    static QString excerpt(QByteArrayView line);

    // One record (a line, or several where a quoted field holds line breaks) split into
    // fields. Returns where the next record starts; `tooLong` is set when the record
    // runs past kMaxLineBytes, `unclosed` when a quote is never closed.
    struct Split {
        std::vector<QByteArrayView> fields; // raw, quotes still on
        qsizetype next = 0;
        bool tooLong = false;
        bool unclosed = false;
    };
    static Split split(QByteArrayView text, qsizetype from, char separator, bool quotes);
    // The start of the line after the one starting at `from` (quotes ignored).
    static qsizetype nextLine(QByteArrayView text, qsizetype from);

    // The field as a number: blanks around it, quotes, a leading '+' and a decimal comma
    // allowed; ON/OFF, YES/NO and TRUE/FALSE as 1 and 0. False for anything else, and for
    // infinities and NaN.
    static bool number(QByteArrayView field, double& out);
    // A clock time "h:mm:ss.mmm" (or "mm:ss.mmm") as seconds.
    static bool clockTime(QByteArrayView field, double& out);
    // Whether the field is a number or a clock time.
    static bool isValue(QByteArrayView field);
    // Whether most of the non-empty fields are numbers (a row of data, not of names).
    static bool mostlyValues(const std::vector<QByteArrayView>& fields);

    // How the rows are laid out.
    struct Layout {
        char separator = ',';
        bool quotes = true; // fields may be quoted
        bool decimalComma = false;
        int columns = 0;        // fields read per row; more are ignored, fewer missing
        int timeColumn = -1;    // -1: no time column, rows are numbered
        bool clockTime = false; // the time column holds h:mm:ss.mmm
        bool markLines = false; // lines starting "MARK " are marks (MSL)
        std::size_t maxValues = kMaxValues;
    };
    struct Rows {
        std::vector<double> time;                // as the file has it (not yet seconds)
        std::vector<std::vector<float>> columns; // every column but the time column's
        struct Mark {
            std::size_t row; // rows read before it
            QString text;
        };
        std::vector<Mark> marks;
        int rowsWithoutTime = 0;     // left out: their time was no number
        int rowsShort = 0;           // fewer fields than columns (the rest missing)
        qsizetype firstBadLine = -1; // offset of the first row left out
        QString error;               // set when reading stopped (a line over the limit)
        bool cancelled = false;
    };
    // Reads the rows of `text` from offset `from` to the end.
    // Why the rows read give no log (cancelled, a line that could not be read, no rows),
    // for the user; empty when they give one. `shown` names the file.
    static QString rowsProblem(const Rows& rows, const QString& shown);
    static Rows readRows(QByteArrayView text, qsizetype from, const Layout& layout,
                         const LogReadProgress& progress);

    // The time column in seconds: the unit's factor applied, a clock time made seconds
    // from the first row (a clock passing midnight carries on).
    static void toSeconds(std::vector<double>& time, double factor, bool clock);
    // Rows where time goes back; the log keeps them in the file's order.
    static int timeStepsBack(const std::vector<double>& time);
};
