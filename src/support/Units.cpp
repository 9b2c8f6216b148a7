// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Units.h"

#include <QString>
#include <QStringList>

namespace {

// The unit text reduced to what tells units apart: no blanks, no degree sign, no dots,
// lower case ("Deg F" and "°F" and "degf" alike).
QString folded(QStringView text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c.isSpace() || c == u'°' || c == u'º' || c == u'.' || c == u'_')
            continue;
        s.append(c.toLower());
    }
    return s;
}

} // namespace

double Units::convertRatio(double ratio, double fromStoich, double toStoich) {
    if (fromStoich == toStoich)
        return ratio;
    return ratio / fromStoich * toStoich;
}

double Units::afrToLambda(double afr, double stoich) {
    return afr / stoich;
}

double Units::lambdaToAfr(double lambda, double stoich) {
    return lambda * stoich;
}

std::optional<Units::Pressure> Units::pressureUnit(QStringView text) {
    const QString u = folded(text);
    if (u == u"kpa" || u == u"kpaa" || u == u"kpaabs" || u == u"kpag")
        return Pressure::KPa;
    if (u == u"bar" || u == u"bara" || u == u"barabs" || u == u"barg")
        return Pressure::Bar;
    if (u == u"psi" || u == u"psia" || u == u"psig")
        return Pressure::Psi;
    if (u == u"mbar" || u == u"millibar")
        return Pressure::MBar;
    if (u == u"hpa")
        return Pressure::HPa;
    if (u == u"inhg")
        return Pressure::InHg;
    return std::nullopt;
}

std::optional<Units::Temperature> Units::temperatureUnit(QStringView text) {
    const QString u = folded(text);
    if (u == u"c" || u == u"degc" || u == u"celsius")
        return Temperature::Celsius;
    if (u == u"f" || u == u"degf" || u == u"fahrenheit")
        return Temperature::Fahrenheit;
    if (u == u"k" || u == u"kelvin")
        return Temperature::Kelvin;
    return std::nullopt;
}

std::optional<Units::Time> Units::timeUnit(QStringView text) {
    const QString u = folded(text);
    if (u == u"s" || u == u"sec" || u == u"secs" || u == u"second" || u == u"seconds")
        return Time::Seconds;
    if (u == u"ms" || u == u"msec" || u == u"msecs" || u == u"millisecond" || u == u"milliseconds")
        return Time::Milliseconds;
    if (u == u"us" || u == u"µs" || u == u"μs" || u == u"usec" || u == u"microsecond" ||
        u == u"microseconds")
        return Time::Microseconds;
    if (u == u"min" || u == u"minute" || u == u"minutes")
        return Time::Minutes;
    return std::nullopt;
}

bool Units::isUnitText(QStringView text) {
    if (pressureUnit(text) || temperatureUnit(text) || timeUnit(text))
        return true;
    static const QStringList words{
        QStringLiteral("%"),       QStringLiteral("rpm"),    QStringLiteral("v"),
        QStringLiteral("mv"),      QStringLiteral("volts"),  QStringLiteral("a"),
        QStringLiteral("afr"),     QStringLiteral("lambda"), QStringLiteral("λ"),
        QStringLiteral("o2"),      QStringLiteral(":1"),     QStringLiteral("deg"),
        QStringLiteral("degrees"), QStringLiteral("km/h"),   QStringLiteral("kph"),
        QStringLiteral("mph"),     QStringLiteral("hz"),     QStringLiteral("g/s"),
        QStringLiteral("kg/h"),    QStringLiteral("mg"),     QStringLiteral("g"),
        QStringLiteral("bits"),    QStringLiteral("adc"),    QStringLiteral("%/s"),
        QStringLiteral("rpm/s"),   QStringLiteral("kpa/s"),  QStringLiteral("db"),
        QStringLiteral("nm"),      QStringLiteral("hp"),     QStringLiteral("kw"),
        QStringLiteral("m"),       QStringLiteral("km"),     QStringLiteral("mi"),
        QStringLiteral("ohm"),     QStringLiteral("Ω"),      QStringLiteral("count")};
    return words.contains(folded(text));
}

double Units::toKPa(double value, Pressure unit) {
    switch (unit) {
    case Pressure::KPa:
        return value;
    case Pressure::Bar:
        return value * 100.0;
    case Pressure::Psi:
        return value * 6.894757293168361;
    case Pressure::MBar:
    case Pressure::HPa:
        return value * 0.1;
    case Pressure::InHg:
        return value * 3.386388666666667;
    }
    return value;
}

double Units::fromKPa(double kPa, Pressure unit) {
    return kPa / toKPa(1.0, unit);
}

double Units::toCelsius(double value, Temperature unit) {
    switch (unit) {
    case Temperature::Celsius:
        return value;
    case Temperature::Fahrenheit:
        return (value - 32.0) * 5.0 / 9.0;
    case Temperature::Kelvin:
        return value - 273.15;
    }
    return value;
}

double Units::fromCelsius(double celsius, Temperature unit) {
    switch (unit) {
    case Temperature::Celsius:
        return celsius;
    case Temperature::Fahrenheit:
        return celsius * 9.0 / 5.0 + 32.0;
    case Temperature::Kelvin:
        return celsius + 273.15;
    }
    return celsius;
}

double Units::toSeconds(double value, Time unit) {
    switch (unit) {
    case Time::Seconds:
        return value;
    case Time::Milliseconds:
        return value / 1000.0;
    case Time::Microseconds:
        return value / 1000000.0;
    case Time::Minutes:
        return value * 60.0;
    }
    return value;
}

QString Units::pressureName(Pressure unit) {
    switch (unit) {
    case Pressure::KPa:
        return QStringLiteral("kPa");
    case Pressure::Bar:
        return QStringLiteral("bar");
    case Pressure::Psi:
        return QStringLiteral("psi");
    case Pressure::MBar:
        return QStringLiteral("mbar");
    case Pressure::HPa:
        return QStringLiteral("hPa");
    case Pressure::InHg:
        return QStringLiteral("inHg");
    }
    return {};
}

QString Units::temperatureName(Temperature unit) {
    switch (unit) {
    case Temperature::Celsius:
        return QStringLiteral("°C");
    case Temperature::Fahrenheit:
        return QStringLiteral("°F");
    case Temperature::Kelvin:
        return QStringLiteral("K");
    }
    return {};
}

QString SensorStatus::text(int code) {
    switch (code) {
    case LowBattery:
        return QStringLiteral("Low Battery");
    case HighBattery:
        return QStringLiteral("High Battery");
    case SensorShort:
        return QStringLiteral("Sensor Short");
    case SensorOpen:
        return QStringLiteral("Sensor Open");
    case OverMaxTemp:
        return QStringLiteral("Over Max Temp");
    case SensorCold:
        return QStringLiteral("Sensor Cold");
    case FreeAir:
        return QStringLiteral("Free Air");
    default:
        return {};
    }
}
