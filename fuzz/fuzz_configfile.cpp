// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file is edited by hand and shipped by resellers: any bytes must give
// either three usable lists or a failure, and the maker's label it supplies must not
// break the log files that carry it.
#include "FuzzAnswers.h"
#include "FuzzReused.h"
#include "app/AboutText.h"
#include "device/PortSetup.h"
#include "logdata/LogBuffer.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogFileWriter.h"
#include "support/ConfigFile.h"
#include "support/QeroFailure.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool holdsLineBreak(const QStringList& list) {
    for (const QString& s : list)
        if (s.contains(u'\n'))
            return true;
    return false;
}

bool startsSection(const QStringList& list) {
    for (const QString& s : list)
        if (s.startsWith(u'!'))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ConfigFile::Lists lists;
    try {
        lists = ConfigFile::parse(bytes);
    } catch (const QeroFailure& f) {
        if (f.description().isEmpty())
            std::abort(); // the report would be an empty box
        return 0;
    }
    if (lists.list1.size() < 5 || lists.list2.isEmpty())
        std::abort();
    if (holdsLineBreak(lists.list1) || holdsLineBreak(lists.list2) || holdsLineBreak(lists.list3))
        std::abort();
    if (startsSection(lists.list1) || startsSection(lists.list2) || startsSection(lists.list3))
        std::abort();

    (void)AboutText::build(lists.list2);
    (void)PortSetup::features(lists.list3);

    // The short label ends up in the trailer of every log saved: whatever it holds, the
    // trailer must read back whole. The rows are left empty, the trailer is what counts.
    // The check depends on the label alone and reads a 12000-line file, so each label is
    // checked once.
    static QSet<QString> labelsChecked;
    if (labelsChecked.contains(lists.list2.first()))
        return 0;
    if (labelsChecked.size() > 100000)
        labelsChecked.clear();
    labelsChecked.insert(lists.list2.first());
    LogBuffer& log = reusedFresh<LogBuffer, 0>();
    log.DownloadDate = QStringLiteral("12/10/2026 3:04:05 AM");
    log.Comment = QStringLiteral("Track day");
    const LogFileWriter writer(log, lists.list2.first());
    QByteArray written = writer.header();
    written += QByteArray(LogBuffer::kSamples, '\n');
    written += writer.trailerDate();
    written += writer.trailerRest();
    LogBuffer& back = reusedFresh<LogBuffer, 1>();
    const LogFileReader::Result r = LogFileReader::read(written, back);
    if (!r.warnings.isEmpty() || !r.commentRead || back.Comment != log.Comment ||
        back.FuelType != log.FuelType)
        std::abort();
    // A comma in the label splits the date line into three fields, and the log format
    // then drops the date, as it does a legend with a comma.
    const bool dateLineSplits = lists.list2.first().contains(u',');
    if (!dateLineSplits && (!r.downloadDateRead || back.DownloadDate != log.DownloadDate))
        std::abort();
    return 0;
}
