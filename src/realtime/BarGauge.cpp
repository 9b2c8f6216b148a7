// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/BarGauge.h"

#include "support/Numbers.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

QColor toneColour(GaugeSetup::BandTone tone) {
    using GaugeSetup::BandTone;
    switch (tone) {
    case BandTone::Rich:
        return {58, 128, 220};
    case BandTone::Good:
        return {60, 190, 80};
    case BandTone::Lean:
        return {220, 70, 55};
    case BandTone::Low:
        return {230, 160, 40};
    case BandTone::Normal:
        return {70, 140, 110};
    case BandTone::High:
        return {220, 70, 55};
    case BandTone::Zone:
        return {240, 210, 60};
    }
    return {128, 128, 128};
}

// Enough decimals for the step, at most two.
QString labelPattern(double step) {
    for (int d = 0; d <= 2; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::abs(scaled - std::round(scaled)) < 1e-6)
            return d == 0 ? QStringLiteral("##0") : QStringLiteral("#0.") + QString(d, u'0');
    }
    return QStringLiteral("#0.00");
}

} // namespace

BarGauge::BarGauge(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void BarGauge::setTitle(const QString& title) {
    m_title = title;
    update();
}

void BarGauge::setScale(const GaugeSetup::BarScale& scale) {
    m_scale = scale;
    update();
}

void BarGauge::setValue(double value) {
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void BarGauge::setValue2(double value) {
    if (m_hasValue2 && value == m_value2)
        return;
    m_value2 = value;
    m_hasValue2 = true;
    update();
}

void BarGauge::setHighlightedBand(int band) {
    if (band == m_highlight)
        return;
    m_highlight = band;
    update();
}

void BarGauge::setReadoutPattern(const QString& pattern) {
    m_pattern = pattern;
    update();
}

QString BarGauge::readoutText() const {
    return Numbers::format(m_value, m_pattern);
}

QList<double> BarGauge::labelValues() const {
    QList<double> values;
    const double from = m_scale.labelFrom;
    const double to = m_scale.labelTo;
    const double step = m_scale.labelStep;
    if (!std::isfinite(from) || !std::isfinite(to))
        return values;
    // A zero, negative or absurdly small step gives just the two ends of the scale.
    const double count = step > 0 ? (to - from) / step : -1;
    if (!(count >= 0 && count <= 40)) {
        values << from;
        if (to != from)
            values << to;
        return values;
    }
    const int n = int(std::floor(count + 1e-9));
    for (int i = 0; i <= n; ++i)
        values << from + i * step;
    return values;
}

QStringList BarGauge::scaleLabels() const {
    const QString pattern = labelPattern(m_scale.labelStep);
    QStringList labels;
    for (double v : labelValues())
        labels << Numbers::format(v, pattern);
    return labels;
}

void BarGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all = rect();

    const double w = all.width();
    const double h = all.height();
    const double unit = std::max(6.0, std::min(w / 6.0, h / 22.0));

    // Instrument face.
    QRectF face = all.adjusted(1, 1, -1, -1);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(24, 26, 30));
    p.drawRoundedRect(face, unit * 0.6, unit * 0.6);

    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPixelSize(int(unit * 1.1));
    QFont readoutFont = font();
    readoutFont.setBold(true);
    readoutFont.setPixelSize(int(unit * 1.5));
    QFont labelFont = font();
    labelFont.setPixelSize(int(std::max(7.0, unit * 0.95)));

    const double pad = unit * 0.4;
    QRectF titleRect(face.left() + pad, face.top() + pad * 0.5, face.width() - 2 * pad, unit * 1.6);
    p.setFont(titleFont);
    p.setPen(QColor(225, 225, 225));
    p.drawText(titleRect, Qt::AlignCenter, m_title);

    QRectF readoutRect(face.left() + pad, titleRect.bottom(), face.width() - 2 * pad, unit * 2.0);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(8, 10, 12));
    p.drawRoundedRect(readoutRect.adjusted(0, unit * 0.15, 0, -unit * 0.15), unit * 0.3,
                      unit * 0.3);
    p.setFont(readoutFont);
    p.setPen(QColor(120, 240, 140));
    p.drawText(readoutRect, Qt::AlignCenter, readoutText());

    // Scale area: labels on the left, band strip and bar on the right.
    const QFontMetricsF lm(labelFont);
    double labelWidth = 0;
    const QStringList labels = scaleLabels();
    for (const QString& l : labels)
        labelWidth = std::max(labelWidth, lm.horizontalAdvance(l));
    const double top = readoutRect.bottom() + unit * 0.8;
    const double bottom = face.bottom() - unit * 0.9;
    const double trackLeft = face.left() + pad + labelWidth + unit * 0.5;
    const double trackRight = face.right() - pad - unit * 0.6;
    if (bottom - top < 10 || trackRight - trackLeft < 6)
        return;
    QRectF track(trackLeft, top, trackRight - trackLeft, bottom - top);

    const double lo = m_scale.min;
    const double hi = m_scale.max;
    const bool usable = std::isfinite(lo) && std::isfinite(hi) && hi > lo;
    auto yOf = [&](double v) {
        if (!usable)
            return bottom;
        const double t = std::clamp((v - lo) / (hi - lo), 0.0, 1.0);
        return bottom - t * (bottom - top);
    };

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(44, 46, 52));
    p.drawRect(track);

    // Bands, drawn in order so that a narrower band given later lies on top.
    for (int i = 0; i < m_scale.bands.size() && usable; ++i) {
        const GaugeSetup::GaugeBand& b = m_scale.bands[i];
        QColor c = toneColour(b.tone);
        if (m_highlight >= 0 && i != m_highlight)
            c = QColor(70, 72, 78);
        else if (m_highlight < 0)
            c.setAlpha(150);
        const double y1 = yOf(std::max(b.from, b.to));
        const double y2 = yOf(std::min(b.from, b.to));
        p.setBrush(c);
        p.drawRect(QRectF(track.left(), y1, track.width() * 0.28, y2 - y1));
        if (m_highlight >= 0) {
            // Thin separators so the load bands can be told apart.
            p.setBrush(QColor(24, 26, 30));
            p.drawRect(QRectF(track.left(), y1 - 0.5, track.width() * 0.28, 1));
        }
    }

    // Ticks and labels.
    p.setFont(labelFont);
    const QList<double> values = labelValues();
    for (int i = 0; i < values.size(); ++i) {
        const QString& l = labels[i];
        const double y = yOf(values[i]);
        p.setPen(QPen(QColor(200, 200, 200), 1));
        p.drawLine(QPointF(track.left() - unit * 0.35, y), QPointF(track.left(), y));
        p.drawText(QRectF(face.left() + pad, y - unit, labelWidth, 2 * unit),
                   Qt::AlignRight | Qt::AlignVCenter, l);
    }

    // The bar itself.
    if (usable) {
        const double barLeft = track.left() + track.width() * 0.36;
        const double barRight = track.right() - track.width() * 0.08;
        const double yv = yOf(m_value);
        QLinearGradient g(barLeft, 0, barRight, 0);
        g.setColorAt(0, QColor(250, 250, 250));
        g.setColorAt(1, QColor(175, 200, 215));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRect(QRectF(barLeft, yv, barRight - barLeft, bottom - yv));
        p.setPen(QPen(QColor(255, 120, 40), std::max(2.0, unit * 0.25)));
        p.drawLine(QPointF(track.left(), yv), QPointF(track.right(), yv));

        if (m_hasValue2 && m_value2 >= lo && m_value2 <= hi) {
            const double y2 = yOf(m_value2);
            const double s = unit * 0.45;
            QPainterPath marker;
            marker.moveTo(track.right() + 1, y2);
            marker.lineTo(track.right() + 1 + s, y2 - s);
            marker.lineTo(track.right() + 1 + s, y2 + s);
            marker.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 220, 80));
            p.drawPath(marker);
        }
    }
    p.setPen(QPen(QColor(110, 110, 110), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(track);
}
