// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/CsvColumnGuess.h"

#include "logdata/ChannelGuess.h"

namespace {

// The first header name equal to one of `exact`, else the first containing one of `part`.
QString pick(const QStringList& header, const QStringList& exact, const QStringList& part,
             const QStringList& taken) {
    for (const QString& want : exact)
        for (const QString& name : header)
            if (!taken.contains(name) && name.compare(want, Qt::CaseInsensitive) == 0)
                return name;
    for (const QString& want : part)
        for (const QString& name : header)
            if (!taken.contains(name) && name.contains(want, Qt::CaseInsensitive))
                return name;
    return {};
}

} // namespace

CsvSampleSource::Columns CsvColumnGuess::guess(const QStringList& header) {
    CsvSampleSource::Columns c;
    // First what the readers tell from names and units ("PLX Engine Speed (rpm)", "MAP
    // [kPa]", "Wideband O2 1"), then the plain names below for what they leave open.
    QString time, rpm, map, tps, ratio1, ratio2;
    bool lambda = false;
    for (const QString& h : header) {
        const ChannelGuess::Guess g =
            ChannelGuess::guess(ChannelGuess::nameWithoutUnit(h), ChannelGuess::unitInName(h));
        if (time.isEmpty() && ChannelGuess::isTime(h))
            time = h;
        else if (g.quantity == Quantity::EngineSpeed && rpm.isEmpty())
            rpm = h;
        else if (g.quantity == Quantity::ManifoldPressure && map.isEmpty())
            map = h;
        else if (g.quantity == Quantity::ThrottlePosition && tps.isEmpty())
            tps = h;
        else if (g.quantity == Quantity::FuelRatio) {
            if (ratio1.isEmpty()) {
                ratio1 = h;
                lambda = g.ratio == ChannelGuess::Ratio::Lambda;
            } else if (ratio2.isEmpty()) {
                ratio2 = h;
            }
        }
    }
    const QString load = !map.isEmpty() ? map : tps;
    if (!time.isEmpty() && !rpm.isEmpty() && !load.isEmpty() && !ratio1.isEmpty()) {
        c.time = time;
        c.rpm = rpm;
        c.load = load;
        c.sensor1 = ratio1;
        c.sensor2 = ratio2;
        c.sensor2Optional = false;
        c.lambda = lambda;
        return c;
    }
    QStringList taken;
    const auto take = [&](const QStringList& exact, const QStringList& part) {
        const QString name = pick(header, exact, part, taken);
        if (!name.isEmpty())
            taken << name;
        return name;
    };
    c.time = take({"time", "zeit"}, {"time", "zeit", "sec"});
    c.rpm = take({"rpm", "drehzahl"}, {"rpm", "engine speed", "drehzahl", "n_mot"});
    c.load = take({"load", "last"}, {"load", "map", "tps", "throttle", "drossel", "last"});
    c.sensor1 = take({"afr1", "lambda1", "afr", "lambda"}, {"afr", "lambda", "o2"});
    c.sensor2 = take({"afr2", "lambda2"}, {"afr2", "lambda2", "bank 2", "bank2"});
    c.sensor2Optional = false;
    c.lambda = c.sensor1.contains(QLatin1String("lambda"), Qt::CaseInsensitive);
    return c;
}
