#include "workbench/CsvColumnGuess.h"

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
