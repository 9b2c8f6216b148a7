// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/LogViewLogic.h"

#include "support/Numbers.h"
#include "support/SettingsStore.h"
#include "support/Units.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// The narrowest window: ten samples' worth, never less than a millisecond.
double minimumWidth(const Log& log) {
    if (log.rows() < 2)
        return 1.0;
    return std::max(1e-3, 10.0 * log.duration() / double(log.rows() - 1));
}

} // namespace

LogViewLogic::LogViewLogic(const Log& log) : m_log(log) {
    panes = defaultPanes(log);
    zoomAll();
    m_marker = 0;
}

std::vector<LogViewLogic::Pane> LogViewLogic::defaultPanes(const Log& log) {
    const auto all = [&](std::initializer_list<Quantity> quantities) {
        Pane p;
        for (std::size_t c = 0; c < log.channels.size(); ++c)
            for (Quantity q : quantities)
                if (log.channels[c].quantity == q)
                    p.channels.push_back(int(c));
        return p;
    };
    std::vector<Pane> out;
    for (const Pane& p :
         {all({Quantity::EngineSpeed}), all({Quantity::FuelRatio, Quantity::TargetRatio}),
          all({Quantity::ManifoldPressure, Quantity::ThrottlePosition, Quantity::AnalogScaled}),
          all({Quantity::CoolantTemp, Quantity::IntakeTemp})}) {
        if (!p.channels.empty())
            out.push_back(p);
    }
    // A log of channels we do not recognise still shows something: its first channels.
    if (out.empty() && !log.channels.empty()) {
        Pane p;
        for (std::size_t c = 0; c < log.channels.size() && c < 3; ++c)
            p.channels.push_back(int(c));
        out.push_back(p);
    }
    return out;
}

QString LogViewLogic::layoutText() const {
    QStringList paneTexts;
    for (const Pane& p : panes) {
        QStringList names;
        for (int c : p.channels) {
            QString n = m_log.channels[std::size_t(c)].name;
            // The separators are escaped so that any channel name round-trips.
            n.replace(u'\\', QStringLiteral("\\\\"))
                .replace(u',', QStringLiteral("\\,"))
                .replace(u'|', QStringLiteral("\\|"));
            names.append(n);
        }
        paneTexts.append(names.join(u','));
    }
    return paneTexts.join(u'|');
}

void LogViewLogic::setLayoutText(const QString& text) {
    std::vector<Pane> read;
    Pane current;
    QString name;
    const auto endName = [&] {
        const int c = m_log.findName(name);
        if (c >= 0 && std::find(current.channels.begin(), current.channels.end(), c) ==
                          current.channels.end())
            current.channels.push_back(c);
        name.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\\' && i + 1 < text.size()) {
            name.append(text[++i]);
        } else if (ch == u',') {
            endName();
        } else if (ch == u'|') {
            endName();
            if (!current.channels.empty())
                read.push_back(current);
            current = Pane();
        } else {
            name.append(ch);
        }
    }
    endName();
    if (!current.channels.empty())
        read.push_back(current);
    if (read.size() > std::size_t(kMaxPanes))
        read.resize(std::size_t(kMaxPanes));
    if (!read.empty())
        panes = std::move(read);
}

QString LogViewLogic::settingsKey() const {
    QString kind = m_log.format;
    kind.remove(u' ');
    return QStringLiteral("LogViewerPanes_") + kind;
}

void LogViewLogic::load(const SettingsStore& store) {
    if (const std::optional<QString> text = store.value(settingsKey()))
        setLayoutText(*text);
}

void LogViewLogic::save(SettingsStore& store) const {
    store.setValue(settingsKey(), layoutText());
}

double LogViewLogic::displayValue(int channel, std::size_t row) const {
    const LogChannel& c = m_log.channels[std::size_t(channel)];
    const double v = c.values[row];
    if (c.quantity == Quantity::FuelRatio && c.ratioScale > 1.0 && m_log.fuelStoich > 0.0)
        return Units::convertRatio(v, c.ratioScale, m_log.fuelStoich);
    return v;
}

QString LogViewLogic::displayUnit(int channel) const {
    const LogChannel& c = m_log.channels[std::size_t(channel)];
    if (c.quantity == Quantity::FuelRatio || c.quantity == Quantity::TargetRatio) {
        if (c.ratioScale == Units::kLambdaScale)
            return Units::lambdaName();
        if (c.ratioScale > 1.0)
            return Units::afrName();
    }
    return c.unit;
}

int LogViewLogic::decimals(int channel) const {
    const LogChannel& c = m_log.channels[std::size_t(channel)];
    if (c.digits >= 0)
        return std::min(c.digits, 6);
    switch (c.quantity) {
    case Quantity::EngineSpeed:
    case Quantity::SensorStatus:
        return 0;
    case Quantity::FuelRatio:
    case Quantity::TargetRatio:
        return c.ratioScale == Units::kLambdaScale ? 3 : 2;
    default:
        return 2;
    }
}

std::size_t LogViewLogic::rowAt(double time) const {
    const std::vector<double>& t = m_log.time;
    if (t.empty())
        return 0;
    const auto it = std::lower_bound(t.begin(), t.end(), time);
    if (it == t.begin())
        return 0;
    if (it == t.end())
        return t.size() - 1;
    const std::size_t after = std::size_t(it - t.begin());
    return (time - t[after - 1] <= t[after] - time) ? after - 1 : after;
}

std::vector<LogViewLogic::Readout> LogViewLogic::readouts() const {
    std::vector<Readout> out;
    if (m_log.empty())
        return out;
    for (const Pane& p : panes) {
        for (int c : p.channels) {
            const LogChannel& ch = m_log.channels[std::size_t(c)];
            Readout r;
            r.name = ch.name;
            r.unit = displayUnit(c);
            const double v = displayValue(c, m_marker);
            if (std::isfinite(v))
                r.value = QString::number(Numbers::roundHalfEven(v, decimals(c)), 'f', decimals(c));
            if (ch.statusChannel >= 0) {
                const float code = m_log.channels[std::size_t(ch.statusChannel)].values[m_marker];
                if (std::isfinite(code))
                    r.status = SensorStatus::text(int(code));
            }
            out.push_back(r);
        }
    }
    return out;
}

double LogViewLogic::logStart() const {
    return m_log.empty() ? 0.0 : m_log.time.front();
}

double LogViewLogic::logEnd() const {
    if (m_log.rows() < 2)
        return logStart() + 1.0;
    return m_log.time.back();
}

void LogViewLogic::zoomAll() {
    setWindow(logStart(), logEnd());
}

void LogViewLogic::setWindow(double start, double end) {
    const double whole = logEnd() - logStart();
    double width = std::clamp(end - start, std::min(minimumWidth(m_log), whole), whole);
    if (!std::isfinite(width) || width <= 0.0)
        width = 1.0;
    start = std::clamp(start, logStart(), logEnd() - width);
    m_start = start;
    m_end = start + width;
}

bool LogViewLogic::zoomAt(double time, double notches) {
    const double before = m_end - m_start;
    const double factor = std::pow(0.8, notches);
    const double width = before * factor;
    const double ratio = before > 0.0 ? (time - m_start) / before : 0.5;
    const double oldStart = m_start, oldEnd = m_end;
    setWindow(time - ratio * width, time - ratio * width + width);
    return m_start != oldStart || m_end != oldEnd;
}

bool LogViewLogic::panBy(double seconds) {
    const double oldStart = m_start;
    setWindow(m_start + seconds, m_end + seconds);
    return m_start != oldStart;
}

double LogViewLogic::markerTime() const {
    return m_log.empty() ? 0.0 : m_log.time[m_marker];
}

void LogViewLogic::placeMarker(double time) {
    m_marker = rowAt(time);
}

void LogViewLogic::keepMarkerInView() {
    const double t = markerTime();
    const double width = m_end - m_start;
    if (t < m_start)
        setWindow(t, t + width);
    else if (t > m_end)
        setWindow(t - width, t);
}

void LogViewLogic::stepMarker(int samples) {
    if (m_log.empty())
        return;
    const qint64 to = std::clamp<qint64>(qint64(m_marker) + samples, 0, qint64(m_log.rows()) - 1);
    m_marker = std::size_t(to);
    keepMarkerInView();
}

void LogViewLogic::markerToStart() {
    m_marker = 0;
    keepMarkerInView();
}

void LogViewLogic::markerToEnd() {
    m_marker = m_log.empty() ? 0 : m_log.rows() - 1;
    keepMarkerInView();
}
