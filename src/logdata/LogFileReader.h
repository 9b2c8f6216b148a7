// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QBitArray>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Reads a ".log" file into a log buffer: 8 header lines, 12000 sample rows, the trailer
// with the download date and comment, and the fuel lines. The reader only fills the
// buffer and reports what it found; it shows no message, stores no setting and leaves
// the caption, DataBufferEmpty and the AFR display pattern to its caller, so that the
// main window and the AFR table's "add a file" read files the same way.
class LogFileReader {
public:
    static inline const QString kNoDataFound =
        QStringLiteral("Error - reached premature end-of-file. No data found");
    static inline const QString kDataMissing =
        QStringLiteral("Error - reached premature end-of-file. Some data may be missing or "
                       "corrupted");
    static inline const QString kForeignFile =
        QStringLiteral("This file does not look like a log file: its header lines do not carry "
                       "the labels of a log. What was read from it may be wrong.");
    static inline const QString kUtf16File =
        QStringLiteral("This file is UTF-16 text, not a log file: a log file is plain 8-bit "
                       "text. What was read from it may be wrong.");

    // A text of the file made safe to show: control characters (which could move the
    // cursor, clear a terminal or start a line of their own) appear as \xNN.
    static QString printable(const QString& text);

    // What to do with the fuel-name and ratio lines.
    enum class FuelLines {
        // The main window's open: the lines set FuelType and StoichRatio; a file that
        // ends before either line gets "Gasoline" and 14.7.
        Apply,
        // Only report them (fileFuelType / fileStoichRatio); FuelType and StoichRatio
        // of the buffer stay as they are.
        ReportOnly,
    };

    struct Result {
        // False when the file ended inside the 8 header lines ("No data found"): the
        // header lines before the end are applied, nothing else is.
        bool headerComplete = false;
        // Bit n - 1 is set when header line n (1 to 7) had its 2 fields and so set its value.
        unsigned headerValuesRead = 0;
        // Sample row lines present (0 to 12000), counted or not.
        int rowsRead = 0;
        // Rows whose field count was not 5; their entries were left as they were.
        int rowsSkipped = 0;
        // Rows of 5 fields of which one is not a number the log can hold (nan, inf,
        // 1e400, 0x1F, text, nothing): left out like a damaged row, so that the entry
        // keeps its cleared values, which no chart scale or table cell takes for a sample.
        int rowsInvalid = 0;
        // Bit i is set when entry i was filled from a row of the file; the others keep
        // what they held (the cleared values), which no log view may take for a sample.
        QBitArray samplesFilled = QBitArray(LogBuffer::kSamples);
        // Data rows found after the 12000th, which a log cannot hold; not read.
        int extraRows = 0;
        // Fewer than half of the 8 header lines carry the labels a log file has.
        bool headerLabelsForeign = false;
        // The file's ratio line held no usable ratio (0, negative, not finite, text);
        // the fuel's own ratio was taken instead.
        bool ratioRejected = false;
        bool samplesComplete = false;
        // Both the download-date and the comment lines were present.
        bool trailerComplete = false;
        // The download date and the comment were taken from the file.
        bool downloadDateRead = false;
        bool commentRead = false;
        // The fuel-name and the ratio lines were present in the file (whatever their
        // field count); both false when the file ended earlier.
        bool fuelTypeLinePresent = false;
        bool ratioLinePresent = false;
        // Their values, when the line was present and had its 2 fields.
        std::optional<QString> fileFuelType;
        std::optional<float> fileStoichRatio;
        // Message texts for the user, in the order they arose (kNoDataFound, kDataMissing).
        QStringList warnings;

        bool noDataFound() const { return !headerComplete; }
    };

    // Fills `log` from the file's bytes. Never fails: any bytes give a result.
    static Result read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel = FuelLines::Apply);

    // A log file is well under a megabyte; bytes beyond this are never looked at.
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    // Reads the whole file first; a file that cannot be read throws QeroFailure with the
    // system's reason and leaves `log` untouched.
    static QByteArray readBytes(const QString& path);
    static Result readFile(const QString& path, LogBuffer& log, FuelLines fuel = FuelLines::Apply);

    // The longest decimal number at the start of `field` (blanks skipped), 0 when there
    // is none (Numbers::leadingNumber on the raw bytes).
    static double leadingNumber(QByteArrayView field);

    // A sensor column value decoded into the AFR placeholder or ratio and a status code.
    struct Sensor {
        float afr;
        float status;
    };
    static Sensor decodeSensor(float value);

    // Whether the first lines of a file carry the labels of a log's header (at least half
    // of the 8 header lines).
    static bool hasLogHeader(QByteArrayView head);

    // The field as one number a single-precision sample can hold, blanks around it
    // allowed; nothing when it is anything else.
    static std::optional<float> sampleNumber(QByteArrayView field);
    // The same, as a flag and the value in `out` (left as it is when false): the form the
    // reading of the rows uses, which returns no optional through memory per field.
    static bool readSample(QByteArrayView field, float& out);

    // Every entry not greater than the one before becomes that one plus the interval.
    static void repairElapsedTime(LogBuffer& log);
};
