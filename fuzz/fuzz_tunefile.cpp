// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TableExportFile.h"
#include "tuning/TuneFile.h"
#include "tuning/TuningInputError.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes, read as a tune and as a table export, must give a table or a refusal, never
// a crash; a table that reads must write a corrected copy that reads back to the same
// shape with the corrected values.
namespace {

TuningGrid richer(const TuneTable& t) {
    TuningGrid g = t.grid();
    for (int r = 0; r < g.rows(); ++r)
        for (int c = 0; c < g.columns(); ++c)
            g.set(r, c, (r + c) % 3 == 0 ? TuningGrid::kEmpty : g.at(r, c) * 1.1 + 1);
    return g;
}

void checkSameShape(const TuneTable& a, const TuneTable& b) {
    if (a.rows != b.rows || a.columns != b.columns || a.rpm.values != b.rpm.values ||
        a.load.values != b.load.values)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const TuneFile tune = TuneFile::parse(bytes, QStringLiteral("fuzz.msq"));
        for (const QString& name : tune.tableNames()) {
            try {
                const TuneTable t = tune.table(name);
                if (t.values.size() != std::size_t(t.rows) * std::size_t(t.columns))
                    std::abort();
                (void)t.valueAt(1000, 50);
                const QByteArray copy = tune.withValues(name, richer(t));
                checkSameShape(t, TuneFile::parse(copy, QStringLiteral("copy")).table(name));
            } catch (const TuningInputError&) {
            }
        }
    } catch (const TuningInputError&) {
    }
    try {
        const TableExportFile f = TableExportFile::parse(bytes, QStringLiteral("fuzz.table"));
        const TuneTable& t = f.table();
        checkSameShape(
            t, TableExportFile::parse(f.withValues(richer(t)), QStringLiteral("copy")).table());
        checkSameShape(
            t, TableExportFile::parse(TableExportFile::write(t, richer(t)), QStringLiteral("new"))
                   .table());
    } catch (const TuningInputError&) {
    }
    return 0;
}
