// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/WorkbenchSetupFile.h"

#include "tuning/ChannelFilter.h"
#include "tuning/TuningInputError.h"

#include "support/QeroFailure.h"
#include "support/SafeWrite.h"
#include "support/TextFile.h"
#include "tuning/TuningInputError.h"
#include "tuning/TuningResultCsv.h"
#include "workbench/WorkbenchSession.h"

#include <QFile>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

QString number(double v) {
    return TuningResultCsv::number(v, "");
}

QString axis(const std::vector<double>& values) {
    QStringList parts;
    for (double v : values)
        parts << number(v);
    return parts.join(u',');
}

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

} // namespace

QString WorkbenchSetupFile::format(const WorkbenchSession& session) {
    const TuningSettings& s = session.settings();
    QStringList lines;
    lines << QStringLiteral("# QERO4D Log tuning setup") << QStringLiteral("[settings]");
    lines << QStringLiteral("rpm-axis=") + axis(s.rpmAxis);
    lines << QStringLiteral("load-axis=") + axis(s.loadAxis);
    lines << QStringLiteral("sensor=") + (s.sensor == TuningSettings::Sensor::Sensor1   ? "1"
                                          : s.sensor == TuningSettings::Sensor::Sensor2 ? "2"
                                                                                        : "both");
    if (s.delay.isFixed()) {
        lines << QStringLiteral("delay-ms=") + number(s.delay.points().front().ms);
    } else {
        QStringList points;
        for (const TransportDelay::Point& p : s.delay.points())
            points << number(p.rpm) + u':' + number(p.ms);
        lines << QStringLiteral("delay-curve=") + points.join(u',');
    }
    lines << QStringLiteral("filter-rpm=") + onOff(s.filterRpm);
    lines << QStringLiteral("min-rpm=") + number(s.minRpm);
    lines << QStringLiteral("filter-load-rate=") + onOff(s.filterLoadRate);
    lines << QStringLiteral("max-load-rate=") + number(s.maxLoadRatePercent);
    lines << QStringLiteral("filter-afr=") + onOff(s.filterAfr);
    lines << QStringLiteral("lambda-range=") + number(s.minLambda) + u':' + number(s.maxLambda);
    lines << QStringLiteral("filter-warmup=") + onOff(s.filterWarmUp);
    lines << QStringLiteral("warmup=") + number(s.warmUpSeconds);
    lines << QStringLiteral("min-weight=") + number(s.minWeight);
    lines << QStringLiteral("weighting=") +
                 (s.weighting == TuningSettings::Weighting::Bilinear ? "bilinear" : "nearest");
    if (s.target)
        lines << QStringLiteral("target=") + number(*s.target);
    lines << QStringLiteral("max-change=") + number(s.maxChangePercent);
    // A condition a line, as it was typed.
    for (const QString& f : s.channelFilters)
        lines << QStringLiteral("filter=") + QString(f).replace(u'\n', u' ');
    QString out = lines.join(u'\n') + u'\n';
    // The tables exactly as pasted, line ends included, so that a copy after loading is
    // written in the same layout.
    const auto table = [&out](const char* name, const std::optional<QString>& text) {
        if (!text)
            return;
        out += u'[' + QString::fromLatin1(name) + QStringLiteral("]\n") + *text;
        if (!text->endsWith(u'\n'))
            out += u'\n';
    };
    table("base", session.baseText());
    table("target", session.targetText());
    return out;
}

void WorkbenchSetupFile::apply(WorkbenchSession& session, const QString& text,
                               const QString& source) {
    TuningSettings s = session.settings();
    s.target.reset();
    // A setup says all its filters; none carry over from before.
    s.channelFilters.clear();
    std::optional<std::vector<double>> rpmAxis;
    std::optional<std::vector<double>> loadAxis;
    std::optional<QString> base;
    std::optional<QString> target;
    QString section;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString raw = lines[i];
        const QString line = raw.trimmed();
        const auto fail = [&](const QString& what) {
            throw TuningInputError::at(source, i + 1, 0, what);
        };
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            if (section == QLatin1String("base"))
                base = QString();
            else if (section == QLatin1String("target"))
                target = QString();
            else if (section != QLatin1String("settings"))
                fail(QStringLiteral("unknown section [%1]").arg(section));
            continue;
        }
        if (section == QLatin1String("base") || section == QLatin1String("target")) {
            QString& table = section == QLatin1String("base") ? *base : *target;
            if (i + 1 < lines.size() || !raw.isEmpty())
                table += raw + u'\n';
            continue;
        }
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (section.isEmpty())
            fail(QStringLiteral("expected [settings], [base] or [target] first"));
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            fail(QStringLiteral("expected key=value"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        const auto num = [&] {
            bool ok = false;
            const double v = value.toDouble(&ok);
            if (!ok || !std::isfinite(v))
                fail(QStringLiteral("%1: \"%2\" is not a number").arg(key, value));
            return v;
        };
        const auto flag = [&] {
            if (value == QLatin1String("on"))
                return true;
            if (value != QLatin1String("off"))
                fail(QStringLiteral("%1 must be on or off").arg(key));
            return false;
        };
        try {
            if (key == QLatin1String("rpm-axis"))
                rpmAxis = TuningSettings::parseAxis(value, QStringLiteral("engine speed"), true);
            else if (key == QLatin1String("load-axis"))
                loadAxis = TuningSettings::parseAxis(value, QStringLiteral("load"), true);
            else if (key == QLatin1String("sensor")) {
                if (value == QLatin1String("1"))
                    s.sensor = TuningSettings::Sensor::Sensor1;
                else if (value == QLatin1String("2"))
                    s.sensor = TuningSettings::Sensor::Sensor2;
                else if (value == QLatin1String("both"))
                    s.sensor = TuningSettings::Sensor::Both;
                else
                    fail(QStringLiteral("sensor must be 1, 2 or both"));
            } else if (key == QLatin1String("delay-ms"))
                s.delay = TransportDelay::fixed(num());
            else if (key == QLatin1String("delay-curve"))
                s.delay = TransportDelay::parseCurve(value);
            else if (key == QLatin1String("filter-rpm"))
                s.filterRpm = flag();
            else if (key == QLatin1String("min-rpm"))
                s.minRpm = num();
            else if (key == QLatin1String("filter-load-rate"))
                s.filterLoadRate = flag();
            else if (key == QLatin1String("max-load-rate"))
                s.maxLoadRatePercent = num();
            else if (key == QLatin1String("filter-afr"))
                s.filterAfr = flag();
            else if (key == QLatin1String("lambda-range")) {
                const QStringList parts = value.split(u':');
                bool ok1 = false, ok2 = false;
                if (parts.size() == 2) {
                    s.minLambda = parts[0].toDouble(&ok1);
                    s.maxLambda = parts[1].toDouble(&ok2);
                }
                if (!ok1 || !ok2)
                    fail(QStringLiteral("lambda-range must be LOW:HIGH, such as 0.68:1.33"));
            } else if (key == QLatin1String("filter")) {
                try {
                    ChannelFilter::parse(value);
                } catch (const TuningInputError& e) {
                    fail(e.message());
                }
                s.channelFilters << value;
            } else if (key == QLatin1String("filter-warmup"))
                s.filterWarmUp = flag();
            else if (key == QLatin1String("warmup"))
                s.warmUpSeconds = num();
            else if (key == QLatin1String("min-weight"))
                s.minWeight = num();
            else if (key == QLatin1String("weighting")) {
                if (value == QLatin1String("bilinear"))
                    s.weighting = TuningSettings::Weighting::Bilinear;
                else if (value == QLatin1String("nearest"))
                    s.weighting = TuningSettings::Weighting::Nearest;
                else
                    fail(QStringLiteral("weighting must be bilinear or nearest"));
            } else if (key == QLatin1String("target"))
                s.target = num();
            else if (key == QLatin1String("max-change"))
                s.maxChangePercent = num();
            else
                fail(QStringLiteral("unknown setting \"%1\"").arg(key));
        } catch (const TuningInputError& e) {
            if (e.message().startsWith(source))
                throw;
            fail(e.message());
        }
    }

    // All or nothing: the session takes the setup only when every part of it fits.
    const TuningSettings oldSettings = session.settings();
    const std::optional<QString> oldBase = session.baseText();
    const std::optional<QString> oldTarget = session.targetText();
    const auto restore = [&] {
        session.clearBase();
        session.clearTargetTable();
        session.setAxes(oldSettings.rpmAxis, oldSettings.loadAxis, true);
        session.setSettings(oldSettings);
        if (oldBase)
            session.pasteBase(*oldBase);
        if (oldTarget)
            session.pasteTarget(*oldTarget);
    };
    try {
        session.clearBase();
        session.clearTargetTable();
        // The axes a setup keeps may be a pasted map's or a tune's, which can repeat a
        // breakpoint; what the session held, it must read back.
        session.setAxes(rpmAxis.value_or(s.rpmAxis), loadAxis.value_or(s.loadAxis), true);
        session.setSettings(s);
        if (base)
            session.pasteBase(*base);
        if (target)
            session.pasteTarget(*target);
    } catch (const TuningInputError& e) {
        restore();
        throw TuningInputError(source + QStringLiteral(": ") + e.message());
    }
}

void WorkbenchSetupFile::save(const WorkbenchSession& session, const QString& path) {
    SafeWrite::writeFile(path, format(session).toUtf8());
}

void WorkbenchSetupFile::load(WorkbenchSession& session, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Read"), path + QStringLiteral(": ") + f.errorString());
    apply(session, TextFile::decode(f.readAll()), path);
}
