// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/ChannelGuess.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

namespace {

// A name as the words that tell channels apart: the unit at its end taken off, camel
// case and letters-digits split ("rawTps1Primary" -> raw tps 1 primary; "O2" stays one
// word), lower case, punctuation dropped.
struct Words {
    QStringList w;

    bool has(QStringView word) const { return w.contains(word); }
    bool hasAny(std::initializer_list<const char16_t*> words) const {
        for (const char16_t* x : words)
            if (has(QStringView(x)))
                return true;
        return false;
    }
    bool is(std::initializer_list<const char16_t*> words) const {
        if (qsizetype(words.size()) != w.size())
            return false;
        qsizetype i = 0;
        for (const char16_t* x : words)
            if (w[i++] != QStringView(x))
                return false;
        return true;
    }
    // The words without a trailing sensor number.
    bool isBase(std::initializer_list<const char16_t*> words) const {
        if (is(words))
            return true;
        if (w.isEmpty() || !isNumber(w.back()))
            return false;
        Words shorter{w.first(w.size() - 1)};
        return shorter.is(words);
    }
    static bool isNumber(const QString& s) {
        return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
    }
    // The sensor number the name gives (1 or 2), 0 when none.
    int sensor() const {
        for (const QString& s : w)
            if (s == u"1" || s == u"2")
                return s.toInt();
        return 0;
    }
};

QString stripUnit(QStringView name) {
    const QString s = name.trimmed().toString();
    if (s.endsWith(u')') || s.endsWith(u']')) {
        const QChar open = s.endsWith(u')') ? u'(' : u'[';
        const qsizetype at = s.lastIndexOf(open);
        if (at > 0)
            return s.left(at).trimmed();
    }
    return s;
}

Words words(QStringView name) {
    const QString s = stripUnit(name);
    QString spaced;
    spaced.reserve(s.size() * 2);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (i > 0) {
            const QChar prev = s[i - 1];
            const bool camel = prev.isLower() && c.isUpper();
            // Letters then digits: "afr1", "tps2"; but O2 and WBO2 are names of their own.
            const bool digits =
                prev.isLetter() && c.isDigit() && !(c == u'2' && (prev == u'o' || prev == u'O'));
            const bool letters = prev.isDigit() && c.isLetter();
            if (camel || digits || letters)
                spaced.append(u' ');
        }
        if (c == u'λ')
            spaced.append(QStringLiteral(" lambda "));
        else if (c.isLetterOrNumber())
            spaced.append(c.toLower());
        else
            spaced.append(u' ');
    }
    Words out;
    out.w = spaced.split(u' ', Qt::SkipEmptyParts);
    return out;
}

bool isRatioUnit(const QString& u, ChannelGuess::Ratio& ratio) {
    if (u == u"lambda" || u == u"λ" || u == u"lam") {
        ratio = ChannelGuess::Ratio::Lambda;
        return true;
    }
    if (u == u"afr" || u == u"a/f" || u == u":1" || u == u"ratio afr") {
        ratio = ChannelGuess::Ratio::Afr;
        return true;
    }
    return false;
}

using Q = Quantity;

} // namespace

QString ChannelGuess::unitInName(QStringView name) {
    const QString s = name.trimmed().toString();
    if (!(s.endsWith(u')') || s.endsWith(u']')))
        return {};
    const QChar open = s.endsWith(u')') ? u'(' : u'[';
    const qsizetype at = s.lastIndexOf(open);
    if (at <= 0)
        return {};
    const QString inner = s.mid(at + 1, s.size() - at - 2).trimmed();
    // "(Act Like A Carb)" or "(Secondary Circuits)" is part of the name, not a unit.
    if (inner.isEmpty() || inner.size() > 12 || inner.count(u' ') > 1)
        return {};
    return inner;
}

QString ChannelGuess::nameWithoutUnit(QStringView name) {
    const QString s = name.trimmed().toString();
    if (unitInName(s).isEmpty())
        return s;
    const qsizetype at = s.lastIndexOf(s.endsWith(u')') ? u'(' : u'[');
    const QString bare = s.left(at).trimmed();
    return bare.isEmpty() ? s : bare;
}

bool ChannelGuess::isTime(QStringView name) {
    const Words w = words(name);
    if (w.w.isEmpty())
        return false;
    const QString& first = w.w.front();
    if (first == u"time" || first == u"timestamp" || first == u"elapsed" || first == u"duration")
        return !w.hasAny({u"advance", u"ignition", u"injection", u"since", u"run", u"on"});
    if (w.is({u"offset"}) || w.is({u"seconds"}) || w.is({u"log", u"time"}) ||
        w.is({u"sample", u"time"}))
        return true;
    return false;
}

Units::Time ChannelGuess::timeUnit(QStringView name, QStringView unit) {
    if (const auto u = Units::timeUnit(unit))
        return *u;
    if (const auto u = Units::timeUnit(unitInName(name)))
        return *u;
    const Words w = words(name);
    if (w.hasAny({u"ms", u"msec", u"msecs", u"millis", u"milliseconds"}))
        return Units::Time::Milliseconds;
    if (w.hasAny({u"us", u"usec", u"usecs", u"micros", u"microseconds"}))
        return Units::Time::Microseconds;
    return Units::Time::Seconds;
}

int ChannelGuess::timeColumn(const QStringList& names) {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (isTime(names[i]))
            return int(i);
    return -1;
}

ChannelGuess::Guess ChannelGuess::guess(QStringView name, QStringView unitText) {
    Guess g;
    const Words w = words(name);
    if (w.w.isEmpty())
        return g;
    QString unit = unitText.trimmed().toString().toLower();
    if (unit.isEmpty())
        unit = unitInName(name).toLower();
    // A rate of change, a limit, a correction or a raw reading of something is not it.
    if (w.hasAny({u"derivative", u"dot",        u"rate",     u"error", u"err",        u"delta",
                  u"limit",      u"limiter",    u"max",      u"min",   u"predicted",  u"raw",
                  u"adc",        u"correction", u"corr",     u"trim",  u"gauge",      u"split",
                  u"blip",       u"unfiltered", u"idle",     u"shaft", u"driveshaft", u"cut",
                  u"threshold",  u"mult",       u"add",      u"adder", u"d",          u"accel",
                  u"enrich",     u"enrichment", u"ae",       u"is",    u"count",      u"counter",
                  u"mapx",       u"fast",       u"estimate", u"lua",   u"bias",       u"blend",
                  u"table",      u"axis",       u"x",        u"y",     u"gain",       u"sync",
                  u"protection"}) ||
        unit.contains(u"/s") || unit == u"adc" || name.contains(u"/s"))
        return g;
    // A sensor's voltage is not what it measures; only the battery is measured in volts.
    const bool volts = unit == u"v" || unit == u"volts" || unit == u"mv";

    Ratio ratio = Ratio::None;
    const bool ratioWord =
        w.hasAny({u"afr", u"lambda", u"lam", u"o2", u"wbo2", u"wideband", u"wb", u"ego"}) ||
        (w.has(u"air") && w.has(u"fuel")) || (w.has(u"a") && w.has(u"f")) ||
        isRatioUnit(unit, ratio);
    if (ratioWord && !volts &&
        !w.hasAny({u"voltage",     u"volts",   u"volt",    u"heater",     u"temp",
                   u"temperature", u"fault",   u"esr",     u"nernst",     u"pump",
                   u"duty",        u"stoich",  u"status",  u"state",      u"code",
                   u"good",        u"monitor", u"since",   u"output",     u"gego",
                   u"control",     u"sensor",  u"current", u"resistance", u"switch"})) {
        if (w.hasAny({u"lambda", u"lam"}))
            ratio = Ratio::Lambda;
        else if (w.has(u"afr") || (w.has(u"air") && w.has(u"fuel")) || (w.has(u"a") && w.has(u"f")))
            ratio = Ratio::Afr;
        // The unit names the scale where the name does not ("Wideband O2 1 [lambda]").
        Ratio byUnit = Ratio::None;
        if (isRatioUnit(unit, byUnit))
            ratio = byUnit;
        if (ratio == Ratio::None)
            ratio = Ratio::Unknown;
        g.ratio = ratio;
        g.sensor = std::max(w.sensor(), 1);
        const bool target = w.hasAny({u"target", u"desired", u"aim", u"command", u"commanded",
                                      u"requested", u"set", u"setpoint"});
        g.quantity = target ? Q::TargetRatio : Q::FuelRatio;
        if (w.isBase({u"afr"}) || w.isBase({u"lambda"}) || w.isBase({u"o2"}) ||
            w.isBase({u"lam"}) || w.isBase({u"ego"}))
            g.score = 100;
        else if (w.hasAny({u"overall", u"average", u"avg", u"mean"}))
            g.score = 60;
        else if (w.hasAny({u"wideband", u"wb", u"wbo2"}))
            g.score = 90;
        else
            g.score = 80;
        return g;
    }
    if (w.hasAny({u"target", u"desired", u"aim", u"commanded", u"requested", u"setpoint"}))
        return g;

    if (volts && !w.hasAny({u"batt", u"battery", u"vbatt", u"vbat", u"batteryv", u"battv"}))
        return g;

    const auto exactly = [&](std::initializer_list<std::initializer_list<const char16_t*>> set) {
        for (const auto& s : set)
            if (w.isBase(s))
                return true;
        return false;
    };

    // Engine speed.
    if ((w.has(u"rpm") || (w.has(u"engine") && w.has(u"speed")) || w.has(u"enginespeed")) &&
        !w.hasAny({u"vehicle", u"wheel", u"input", u"output", u"fan", u"pump", u"turbo", u"tcu",
                   u"hard", u"user", u"pulse", u"launch", u"cam", u"vvt", u"gear", u"boost"})) {
        g.quantity = Q::EngineSpeed;
        g.score = exactly({{u"rpm"}, {u"engine", u"speed"}, {u"engine", u"rpm"}}) ? 100
                  : w.has(u"engine")                                              ? 90
                                                                                  : 70;
        return g;
    }
    // Manifold pressure (absolute: a boost gauge's pressure is not it).
    if ((w.has(u"map") || w.has(u"mapkpa") ||
         (w.has(u"manifold") && w.hasAny({u"pressure", u"press", u"absolute", u"abs"}))) &&
        !w.hasAny({u"boost", u"baro", u"barometric", u"oil", u"fuel", u"ac", u"brake", u"injector",
                   u"differential", u"compressor", u"exhaust", u"vvt", u"load", u"ignition", u"ign",
                   u"cam"})) {
        g.quantity = Q::ManifoldPressure;
        g.score = exactly({{u"map"}, {u"manifold", u"pressure"}}) ? 100
                  : w.has(u"measured")                            ? 80
                  : w.has(u"manifold")                            ? 95
                                                                  : 70;
        return g;
    }
    // Throttle position.
    if ((w.hasAny({u"tp", u"tps"}) || w.has(u"throttle")) &&
        !w.hasAny({u"pedal", u"accelerator", u"inlet", u"flow", u"model", u"crossover", u"wot",
                   u"tpsacc"})) {
        g.quantity = Q::ThrottlePosition;
        g.score = exactly({{u"tp"},
                           {u"tps"},
                           {u"throttle"},
                           {u"throttle", u"position"},
                           {u"throttle", u"pos"}})
                      ? 100
                      : 70;
        return g;
    }
    // Coolant temperature.
    if (w.hasAny({u"clt", u"coolant", u"ect", u"water"}) &&
        !w.hasAny({u"fan", u"pump", u"pressure", u"level"})) {
        g.quantity = Q::CoolantTemp;
        g.score = exactly({{u"clt"},
                           {u"coolant"},
                           {u"coolant", u"temp"},
                           {u"coolant", u"temperature"},
                           {u"ect"}})
                      ? 100
                      : 70;
        return g;
    }
    // Intake air temperature.
    if ((w.hasAny({u"iat", u"mat", u"act"}) ||
         (w.has(u"air") && w.hasAny({u"temp", u"temperature"})) ||
         (w.has(u"intake") && w.hasAny({u"temp", u"temperature"}))) &&
        !w.hasAny({u"ambient", u"charge", u"oil", u"fuel", u"exhaust"})) {
        g.quantity = Q::IntakeTemp;
        g.score = exactly({{u"iat"},
                           {u"mat"},
                           {u"intake", u"air", u"temperature"},
                           {u"intake", u"air", u"temp"},
                           {u"air", u"temperature"}})
                      ? 100
                      : 70;
        return g;
    }
    // Battery.
    if (w.hasAny({u"batt", u"battery", u"vbatt", u"vbat", u"batteryv", u"battv"}) &&
        !w.hasAny({u"trigger", u"low", u"high"})) {
        g.quantity = Q::BatteryVolts;
        g.score = exactly({{u"batt", u"v"},
                           {u"battery", u"v"},
                           {u"battery"},
                           {u"vbatt"},
                           {u"battery", u"voltage"}})
                      ? 100
                      : 70;
        return g;
    }
    return g;
}

void ChannelGuess::apply(Log& log) {
    std::vector<Guess> guesses(log.channels.size());
    for (std::size_t i = 0; i < log.channels.size(); ++i)
        guesses[i] = guess(log.channels[i].name, log.channels[i].unit);
    // One channel per quantity and sensor: the best named, the first of equals.
    std::map<std::pair<int, int>, std::size_t> best;
    for (std::size_t i = 0; i < guesses.size(); ++i) {
        const Guess& g = guesses[i];
        if (g.quantity == Q::Other)
            continue;
        const auto key = std::make_pair(int(g.quantity), g.sensor);
        const auto it = best.find(key);
        if (it == best.end() || guesses[it->second].score < g.score)
            best[key] = i;
    }
    const double afrScale = log.fuelStoich > 0.0 ? log.fuelStoich : Units::kDefaultAfrStoich;
    for (std::size_t i = 0; i < log.channels.size(); ++i) {
        LogChannel& c = log.channels[i];
        const Guess& g = guesses[i];
        const bool chosen =
            g.quantity != Q::Other && best[std::make_pair(int(g.quantity), g.sensor)] == i;
        if (!chosen)
            continue;
        c.quantity = g.quantity;
        c.sensor = 0;
        if (g.quantity != Q::FuelRatio && g.quantity != Q::TargetRatio)
            continue;
        c.sensor = g.sensor;
        // The middle of the readings tells what the values are on: lambda near 1, AFR
        // near 14, and some engine computers keep AFR times 10 or 100.
        std::vector<float> readings;
        readings.reserve(c.values.size());
        for (float v : c.values)
            if (!std::isnan(v) && v > 0.0f)
                readings.push_back(v);
        double middle = 0.0;
        if (!readings.empty()) {
            auto mid = readings.begin() + std::ptrdiff_t(readings.size() / 2);
            std::nth_element(readings.begin(), mid, readings.end());
            middle = *mid;
        }
        Ratio ratio = g.ratio;
        if (ratio == Ratio::Unknown)
            ratio = middle > 0.0 && middle < 3.5 ? Ratio::Lambda : Ratio::Afr;
        if (ratio == Ratio::Lambda) {
            c.ratioScale = Units::kLambdaScale;
        } else {
            c.ratioScale = afrScale;
            if (middle >= 600.0 && middle < 4000.0)
                c.ratioScale = afrScale * 100.0;
            else if (middle >= 60.0 && middle < 400.0)
                c.ratioScale = afrScale * 10.0;
        }
    }
}
