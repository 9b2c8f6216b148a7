// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/LogSampleSource.h"

#include "logdata/LogCsvWriter.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogImport.h"
#include "support/Units.h"
#include "tuning/TuningInputError.h"

#include <QStringList>

#include <cmath>

namespace {

// The load a fuel map is laid out over, in the order engine computers prefer it.
int loadChannel(const Log& log) {
    for (const Quantity q :
         {Quantity::ManifoldPressure, Quantity::ThrottlePosition, Quantity::AnalogScaled}) {
        const int c = log.find(q);
        if (c >= 0)
            return c;
    }
    return -1;
}

int ratioChannel(const Log& log, int sensor) {
    const int c = log.find(Quantity::FuelRatio, sensor);
    if (c >= 0 || sensor != 1)
        return c;
    return log.find(Quantity::FuelRatio);
}

} // namespace

TuningLog LogSampleSource::read(const QString& path) const {
    LogReadResult r = LogImport::open(path);
    if (!r.log)
        throw TuningInputError(r.error);
    TuningLog log = fromLog(*r.log);
    log.warnings = r.warnings + log.warnings;
    return log;
}

TuningLog LogSampleSource::fromLog(const Log& in) {
    const QString source = LogFileReader::printable(in.source);
    const int rpm = in.find(Quantity::EngineSpeed);
    const int load = loadChannel(in);
    const int afr1 = ratioChannel(in, 1);
    int afr2 = in.find(Quantity::FuelRatio, 2);
    if (afr2 == afr1)
        afr2 = -1;
    QStringList missing;
    if (rpm < 0)
        missing << QStringLiteral("engine speed");
    if (load < 0)
        missing << QStringLiteral("a load (manifold pressure or throttle position)");
    if (afr1 < 0)
        missing << QStringLiteral("an air/fuel ratio or lambda");
    if (!missing.isEmpty())
        throw TuningInputError(
            QStringLiteral("%1: no channel of the log is recognised as %2; name the columns "
                           "with --csv-columns or in the column dialog.")
                .arg(source, missing.join(QStringLiteral(", "))));
    // Two sensors on different scales cannot share one run; the second is left out.
    if (afr2 >= 0 &&
        in.channels[std::size_t(afr2)].ratioScale != in.channels[std::size_t(afr1)].ratioScale)
        afr2 = -1;

    TuningLog out;
    out.source = in.source;
    const LogChannel& loadCh = in.channels[std::size_t(load)];
    out.loadQuantity = loadCh.quantity;
    // Pressures are binned in kPa, whatever the logger wrote.
    double loadFactor = 1.0;
    if (loadCh.quantity == Quantity::ManifoldPressure)
        if (const std::optional<Units::Pressure> p = Units::pressureUnit(loadCh.unit))
            loadFactor = Units::toKPa(1.0, *p);
    out.afrScale = in.channels[std::size_t(afr1)].ratioScale;
    if (in.fuelStoich > 0.0)
        out.fuelStoichRatio = in.fuelStoich;
    const auto name = [&](int c) { return LogCsvWriter::columnTitle(in.channels[std::size_t(c)]); };
    out.picked = QStringLiteral("engine speed \"%1\", load \"%2\", ratio \"%3\"")
                     .arg(name(rpm), name(load), name(afr1));
    if (afr2 >= 0)
        out.picked += QStringLiteral(", second ratio \"%1\"").arg(name(afr2));

    out.reserve(in.rows());
    const std::vector<float>& r = in.channels[std::size_t(rpm)].values;
    const std::vector<float>& l = loadCh.values;
    const std::vector<float>& a1 = in.channels[std::size_t(afr1)].values;
    const std::vector<float>* a2 = afr2 >= 0 ? &in.channels[std::size_t(afr2)].values : nullptr;
    qint64 skipped = 0;
    for (std::size_t i = 0; i < in.rows(); ++i) {
        // The computation needs time to run forwards and an operating point to bin.
        if (!std::isfinite(in.time[i]) || !std::isfinite(r[i]) || !std::isfinite(l[i]) ||
            (!out.time.empty() && !(in.time[i] > out.time.back()))) {
            ++skipped;
            continue;
        }
        out.time.push_back(in.time[i]);
        out.rpm.push_back(r[i]);
        out.load.push_back(l[i] * loadFactor);
        out.afr1.push_back(a1[i] > 0.0f ? double(a1[i]) : std::nan(""));
        out.afr2.push_back(a2 && (*a2)[i] > 0.0f ? double((*a2)[i]) : std::nan(""));
    }
    out.rowsSkipped = skipped;
    if (skipped > 0)
        out.warnings.append(QStringLiteral("%1 rows without a time in order, an engine "
                                           "speed or a load were left out")
                                .arg(skipped));
    return out;
}
