// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/QeroFailure.h"
#include "tuning/CsvSampleSource.h"
#include "tuning/TuningInputError.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes read as the CSV export the workbench and `tune` take, by the default columns
// and by columns named by hand: samples whose channels are as long as the time axis,
// whose time runs forwards, or a refusal; never a crash.
namespace {

void check(const TuningLog& log) {
    const std::size_t n = log.time.size();
    if (log.rpm.size() != n || log.load.size() != n || log.afr1.size() != n || log.afr2.size() != n)
        std::abort();
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(log.time[i]) || (i > 0 && !(log.time[i] > log.time[i - 1])))
            std::abort();
}

void read(const CsvSampleSource& source, QByteArrayView bytes) {
    try {
        check(source.parse(bytes, QStringLiteral("fuzz.csv")));
    } catch (const TuningInputError&) {
    } catch (const QeroFailure&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const CsvSampleSource byDefault;
    static const CsvSampleSource named(CsvSampleSource::parseColumns(
        QStringLiteral("time=t,rpm=n,load=p,lambda1=l,lambda2=m,status1=s,status2=u")));
    read(byDefault, bytes);
    read(named, bytes);
    (void)CsvSampleSource::preview(bytes, 5);
    return 0;
}
