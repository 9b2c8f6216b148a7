// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/TachometerDial.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// The scale runs clockwise from 225 degrees (lower left) to -45 degrees (lower right).
constexpr double kStartDeg = 225.0;
constexpr double kSweepDeg = 270.0;

} // namespace

TachometerDial::TachometerDial(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TachometerDial::setScale(int fullScale, double redFrom, double cautionFrom) {
    m_fullScale = fullScale;
    m_redFrom = redFrom;
    m_cautionFrom = cautionFrom;
    update();
}

void TachometerDial::setNeedle(double thousands) {
    if (thousands == m_needle)
        return;
    m_needle = thousands;
    update();
}

void TachometerDial::setDisplayMode(int mode) {
    m_mode = mode;
    update();
}

void TachometerDial::setReadout(const QString& text) {
    if (text == m_readout)
        return;
    m_readout = text;
    update();
}

void TachometerDial::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const double side = std::min(width(), height()) - 4.0;
    if (side < 20)
        return;
    const QPointF c(width() / 2.0, height() / 2.0);
    const double r = side / 2.0;
    const int full = std::max(1, m_fullScale);
    auto angleOf = [&](double v) {
        const double t = std::clamp(v / full, 0.0, 1.0);
        return qDegreesToRadians(kStartDeg - t * kSweepDeg);
    };
    auto at = [&](double v, double radius) {
        const double a = angleOf(v);
        return QPointF(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a));
    };

    // Bezel and face.
    QRadialGradient bezel(c, r);
    bezel.setColorAt(0.90, QColor(60, 62, 68));
    bezel.setColorAt(1.0, QColor(20, 20, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(22, 24, 28));
    p.drawEllipse(c, r * 0.92, r * 0.92);

    // Caution and red zones as arcs just inside the ticks.
    const double arcR = r * 0.80;
    const double arcW = r * 0.07;
    auto zone = [&](double from, double to, const QColor& colour) {
        from = std::clamp(from, 0.0, double(full));
        to = std::clamp(to, 0.0, double(full));
        if (to <= from)
            return;
        QRectF box(c.x() - arcR, c.y() - arcR, 2 * arcR, 2 * arcR);
        const double a1 = kStartDeg - from / full * kSweepDeg;
        const double a2 = kStartDeg - to / full * kSweepDeg;
        p.setPen(QPen(colour, arcW, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(box, int(a1 * 16), int((a2 - a1) * 16));
    };
    const double caution = std::min(m_cautionFrom, m_redFrom);
    zone(caution, m_redFrom, QColor(240, 180, 40));
    zone(m_redFrom, full, QColor(215, 50, 40));

    // Ticks: a major tick with its number every thousand, a minor one at each half.
    QFont numberFont = font();
    numberFont.setBold(true);
    numberFont.setPixelSize(int(std::max(8.0, r * (full > 12 ? 0.10 : 0.13))));
    p.setFont(numberFont);
    for (int i = 0; i <= 2 * full; ++i) {
        const double v = i / 2.0;
        const bool major = i % 2 == 0;
        const bool red = v >= m_redFrom;
        p.setPen(QPen(red ? QColor(240, 90, 70) : QColor(230, 230, 230),
                      major ? std::max(2.0, r * 0.025) : std::max(1.0, r * 0.012), Qt::SolidLine,
                      Qt::FlatCap));
        p.drawLine(at(v, r * (major ? 0.72 : 0.77)), at(v, r * 0.86));
        // With a crowded dial only every second number is written.
        if (major && (full <= 12 || (i / 2) % 2 == 0)) {
            const QPointF pos = at(v, r * 0.58);
            const double box = r * 0.2;
            p.setPen(QColor(235, 235, 235));
            p.drawText(QRectF(pos.x() - box, pos.y() - box / 2, 2 * box, box), Qt::AlignCenter,
                       QString::number(i / 2));
        }
    }

    // Titles.
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPixelSize(int(std::max(8.0, r * 0.13)));
    p.setFont(titleFont);
    p.setPen(QColor(230, 230, 230));
    p.drawText(QRectF(c.x() - r * 0.5, c.y() - r * 0.42, r, r * 0.16), Qt::AlignCenter,
               QStringLiteral("RPM"));
    QFont smallFont = font();
    smallFont.setPixelSize(int(std::max(7.0, r * 0.09)));
    p.setFont(smallFont);
    p.setPen(QColor(180, 180, 180));
    p.drawText(QRectF(c.x() - r * 0.5, c.y() - r * 0.27, r, r * 0.12), Qt::AlignCenter,
               QStringLiteral("x 1000"));

    // Digital readout.
    if (m_mode == kNeedleAndReadout) {
        QRectF box(c.x() - r * 0.27, c.y() + r * 0.48, r * 0.54, r * 0.22);
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.setBrush(QColor(8, 10, 12));
        p.drawRoundedRect(box, r * 0.04, r * 0.04);
        QFont readoutFont = font();
        readoutFont.setBold(true);
        readoutFont.setPixelSize(int(std::max(8.0, r * 0.17)));
        p.setFont(readoutFont);
        p.setPen(QColor(120, 240, 140));
        p.drawText(box, Qt::AlignCenter, m_readout);
    }

    // Needle and hub.
    const double a = angleOf(std::isfinite(m_needle) ? m_needle : 0.0);
    const QPointF dir(std::cos(a), -std::sin(a));
    const QPointF normal(-dir.y(), dir.x());
    const double len = r * 0.84;
    const double base = r * 0.035;
    QPainterPath needle;
    needle.moveTo(c - dir * (r * 0.15) + normal * base);
    needle.lineTo(c + dir * len);
    needle.lineTo(c - dir * (r * 0.15) - normal * base);
    needle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 110, 30));
    p.drawPath(needle);
    QRadialGradient hub(c, r * 0.09);
    hub.setColorAt(0, QColor(150, 150, 150));
    hub.setColorAt(1, QColor(40, 40, 40));
    p.setBrush(hub);
    p.drawEllipse(c, r * 0.09, r * 0.09);
}
