// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningInputError.h"
#include "workbench/WorkbenchSession.h"
#include "workbench/WorkbenchSetupFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any text read as a workbench setup file: applied whole, or refused with the session as
// it was; a setup that applies is written back and reads to the same setup.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    WorkbenchSession session;
    const QString before = WorkbenchSetupFile::format(session);
    try {
        WorkbenchSetupFile::apply(session, text, QStringLiteral("fuzz.txt"));
    } catch (const TuningInputError&) {
        if (WorkbenchSetupFile::format(session) != before)
            std::abort();
        return 0;
    }
    const QString saved = WorkbenchSetupFile::format(session);
    WorkbenchSession again;
    try {
        WorkbenchSetupFile::apply(again, saved, QStringLiteral("saved.txt"));
    } catch (const TuningInputError&) {
        std::abort();
    }
    if (WorkbenchSetupFile::format(again) != saved)
        std::abort();
    return 0;
}
