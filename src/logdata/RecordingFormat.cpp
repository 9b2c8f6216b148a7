// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecordingFormat.h"

#include "logdata/LogBuffer.h"
#include "support/Numbers.h"
#include "support/Units.h"

#include <QList>

#include <charconv>
#include <cmath>

namespace {

constexpr double kGasolineStoich = Units::kGasolineStoich;

// Free text in the comment line: no separators, no line breaks.
QString cleanText(const QString& text) {
    QString t = text;
    t.replace(u';', u',').replace(u'=', u'-').replace(u'\r', u' ').replace(u'\n', u' ');
    return t.trimmed();
}

void appendNumber(QByteArray& out, double value, int decimals) {
    char buffer[64];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (r.ec == std::errc())
        out.append(buffer, r.ptr - buffer);
}

bool parseNumber(QByteArrayView field, double& value) {
    const QByteArrayView f = field.trimmed();
    if (f.isEmpty())
        return false;
    const char* begin = f.data();
    const char* end = begin + f.size();
    if (*begin == '+')
        ++begin;
    const auto r = std::from_chars(begin, end, value);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

} // namespace

RecordingInfo RecordingInfo::fromLog(const LogBuffer& log) {
    RecordingInfo info;
    info.fuel = log.FuelType;
    info.stoichRatio = Numbers::shortestFloat(log.StoichRatio).toDouble();
    info.analogType = log.AnalogInputType;
    info.analogLegend = log.AnalogLegend;
    info.minVolts = Numbers::shortestFloat(log.MinInVolts).toDouble();
    info.maxVolts = Numbers::shortestFloat(log.MaxInVolts).toDouble();
    info.minScaled = Numbers::shortestFloat(log.MinScaledValue).toDouble();
    info.maxScaled = Numbers::shortestFloat(log.MaxScaledValue).toDouble();
    return info;
}

namespace RecordingFormat {

QByteArray preamble(const RecordingInfo& info) {
    const auto num = [](double v) { return QString::number(v, 'g', 10); };
    const QString comment =
        QLatin1String(kSignature) + QStringLiteral("; model=") + cleanText(info.model) +
        QStringLiteral("; firmware=") + cleanText(info.firmware) + QStringLiteral("; fuel=") +
        cleanText(info.fuel) + QStringLiteral("; stoich=") + num(info.stoichRatio) +
        QStringLiteral("; analog=") + cleanText(info.analogType) + QStringLiteral("; legend=") +
        cleanText(info.analogLegend) + QStringLiteral("; volts=") + num(info.minVolts) +
        QStringLiteral("..") + num(info.maxVolts) + QStringLiteral("; scaled=") +
        num(info.minScaled) + QStringLiteral("..") + num(info.maxScaled) +
        QStringLiteral("; started=") + cleanText(info.started) + u'\n';
    return comment.toUtf8() + kColumns + '\n';
}

void appendRow(QByteArray& out, const RecordingRow& r) {
    appendNumber(out, r.time, 3);
    out.append(',');
    appendNumber(out, r.afr1, 3);
    out.append(',');
    appendNumber(out, r.lambda1, 4);
    out.append(',');
    appendNumber(out, r.status1, 0);
    out.append(',');
    appendNumber(out, r.afr2, 3);
    out.append(',');
    appendNumber(out, r.lambda2, 4);
    out.append(',');
    appendNumber(out, r.status2, 0);
    out.append(',');
    appendNumber(out, r.rpm, 0);
    out.append(',');
    appendNumber(out, r.analogVolts, 3);
    out.append(',');
    appendNumber(out, r.analogScaled, 2);
    out.append(',');
    appendNumber(out, r.battery, 2);
    out.append(',');
    appendNumber(out, r.cellRes1, 1);
    out.append(',');
    appendNumber(out, r.cellRes2, 1);
    out.append(',');
    if (r.hasEthanol())
        appendNumber(out, r.ethanol, 1);
    out.append(r.mark ? ",1\n" : ",0\n");
}

bool isRecording(QByteArrayView firstBytes) {
    return firstBytes.startsWith(QByteArrayView(kSignature));
}

RecordingInfo parseComment(QByteArrayView line) {
    RecordingInfo info;
    const QString text = QString::fromUtf8(line).trimmed();
    const auto range = [](const QString& v, double& low, double& high) {
        const qsizetype dots = v.indexOf(QStringLiteral(".."));
        if (dots < 0)
            return;
        bool ok1 = false, ok2 = false;
        const double a = v.left(dots).toDouble(&ok1);
        const double b = v.mid(dots + 2).toDouble(&ok2);
        if (ok1 && ok2 && std::isfinite(a) && std::isfinite(b)) {
            low = a;
            high = b;
        }
    };
    for (const QString& part : text.split(u';')) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = part.left(eq).trimmed();
        const QString value = part.mid(eq + 1).trimmed();
        if (key == QLatin1String("model"))
            info.model = value;
        else if (key == QLatin1String("firmware"))
            info.firmware = value;
        else if (key == QLatin1String("fuel") && !value.isEmpty())
            info.fuel = value;
        else if (key == QLatin1String("stoich")) {
            bool ok = false;
            const double v = value.toDouble(&ok);
            if (ok && v > 0 && std::isfinite(v))
                info.stoichRatio = v;
        } else if (key == QLatin1String("analog") && !value.isEmpty())
            info.analogType = value;
        else if (key == QLatin1String("legend"))
            info.analogLegend = value;
        else if (key == QLatin1String("volts"))
            range(value, info.minVolts, info.maxVolts);
        else if (key == QLatin1String("scaled"))
            range(value, info.minScaled, info.maxScaled);
        else if (key == QLatin1String("started"))
            info.started = value;
    }
    return info;
}

bool parseRow(QByteArrayView line, RecordingRow& row) {
    if (line.endsWith('\r'))
        line.chop(1);
    QByteArrayView fields[kColumnCount];
    int n = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            if (n == kColumnCount)
                return false;
            fields[n++] = line.sliced(start, i - start);
            start = i + 1;
        }
    }
    if (n != kColumnCount)
        return false;
    RecordingRow r;
    double status1 = 0, status2 = 0, mark = 0;
    double* const numbers[] = {&r.time,    &r.afr1,     &r.lambda1, &status1,       &r.afr2,
                               &r.lambda2, &status2,    &r.rpm,     &r.analogVolts, &r.analogScaled,
                               &r.battery, &r.cellRes1, &r.cellRes2};
    for (int i = 0; i < 13; ++i)
        if (!parseNumber(fields[i], *numbers[i]))
            return false;
    if (!fields[13].trimmed().isEmpty() && !parseNumber(fields[13], r.ethanol))
        return false;
    if (!parseNumber(fields[14], mark))
        return false;
    // A status is one of the sensor's codes: a whole number of a byte at most.
    const auto code = [](double v) { return v >= 0.0 && v <= 255.0 && v == std::floor(v); };
    if (!code(status1) || !code(status2))
        return false;
    r.status1 = int(status1);
    r.status2 = int(status2);
    r.mark = mark != 0.0;
    row = r;
    return true;
}

double gasolineAFR(double lambda) {
    return lambda * kGasolineStoich;
}

} // namespace RecordingFormat
