// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "logdata/LogReader.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The MegaLogViewer binary log ("MLVLG", versions 1 and 2, as TunerStudio, Speeduino and
// rusEFI write it): a big-endian header, one descriptor per field (name, units, display
// style, type, scale, transform, digits; version 2 adds a category), then data blocks
// (a counter, a 10 µs timestamp, the packed fields and a checksum) and marker blocks.
// A field's value is (raw + transform) × scale. The information block's text (version 2
// keeps the whole tune in it) is the log's info.
class MlgLogReader : public LogReader {
public:
    QString name() const override { return QStringLiteral("MegaLogViewer binary log"); }
    QStringList extensions() const override { return {QStringLiteral("mlg")}; }
    int recognise(QByteArrayView head, const QString& path) const override;
    LogReadResult read(QByteArrayView bytes, const QString& source,
                       const LogReadProgress& progress) const override;

    // Where the parts of a log lie, as its header says: its format version (1 or 2), and
    // the information block from `infoAt` up to the data at `dataAt`.
    struct Layout {
        int version = 0;
        qint64 infoAt = 0;
        qint64 dataAt = 0;
    };
    // From the first bytes of a file (24 hold every version's header); nullopt where they
    // are no MLG header of version 1 or 2.
    static std::optional<Layout> layout(QByteArrayView head);

    struct Field {
        int type = 0; // 0 U08, 1 S08, 2 U16, 3 S16, 4 U32, 5 S32, 6 S64, 7 F32, 10-12 bits
        QString name;
        QString units;
        int style = 0;
        float scale = 1.0f;
        float transform = 0.0f;
        int digits = 0;
        QString category;
    };
    struct Block {
        int type = 0; // 0 data, 1 marker
        int counter = 0;
        int timestamp = 0; // in 10 µs steps, wrapping at 65536
    };
    struct Parsed {
        int version = 0;
        quint32 timestamp = 0; // the log's start, seconds since 1970
        std::vector<Field> fields;
        QString info;
        QByteArray bitFieldNames;  // between the descriptors and the information block
        std::vector<Block> blocks; // those read, in the file's order
        Log log;                   // every field but the time, which is the axis
        int timeField = -1;        // the field the time axis was taken from
        int badChecksums = 0;      // data blocks left out
        int badTimes = 0;          // data blocks left out: their time is no number
        bool cutOff = false;       // the last block was cut off and left out
        QString stoppedAt;         // why the blocks stopped before the file's end
        QString error;             // set when nothing could be read
        bool cancelled = false;
    };
    // The whole file as its parts, for the reader and for a check against another
    // tool's parse of the same file.
    static Parsed parse(QByteArrayView bytes, const LogReadProgress& progress = {});

    // "Float", "Hex", "bits", "Date", "On/Off", "Yes/No", "High/Low", "Active/Inactive".
    static QString styleName(int style);
    // The bytes a field of the type takes in a record; 0 for a type not known.
    static int typeSize(int type);
};
