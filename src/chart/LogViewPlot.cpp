// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/LogViewPlot.h"

#include "chart/ChartGraph.h"
#include "chart/LogViewLogic.h"

#include <QMap>

#include <cmath>

namespace {

// Colours that stay apart on white and in print, as the chart's own traces do.
const QColor kPalette[] = {QColor(0, 0, 200),   QColor(200, 0, 0),   QColor(0, 140, 0),
                           QColor(160, 0, 160), QColor(200, 120, 0), QColor(0, 150, 150),
                           QColor(90, 90, 90),  QColor(120, 60, 0)};

// The unit names the axis; a channel without one lends its name.
QString axisTitle(const QString& unit, const QString& channel) {
    return unit.isEmpty() ? channel : unit;
}

} // namespace

LogViewPlot::LogViewPlot(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("LogViewPlot"));
    setPlottingHint(QCP::phCacheLabels, false);
    setPlottingHint(QCP::phFastPolylines, true);
    setBackground(Qt::white);
    // Each pane keeps a legend of its own; the plot's single one goes with its first layout.
    setAutoAddPlottableToLegend(false);
}

QColor LogViewPlot::traceColor(int n) {
    return kPalette[std::size_t(n) % (sizeof kPalette / sizeof kPalette[0])];
}

void LogViewPlot::display(const LogViewLogic& logic) {
    clearItems();
    clearGraphs();
    plotLayout()->clear();
    m_panes.clear();
    m_marks.clear();

    const Log& log = logic.log();
    QVector<QCPGraphData> points;
    QCPAxisRect* bottom = nullptr;
    int row = 0;
    for (const LogViewLogic::Pane& p : logic.panes) {
        Pane pane;
        pane.rect = new QCPAxisRect(this, false);
        pane.rect->addAxes(QCPAxis::atBottom | QCPAxis::atLeft);
        pane.rect->setRangeDrag(Qt::Horizontal);
        plotLayout()->addElement(row++, 0, pane.rect);
        auto* legendHere = new QCPLegend;
        pane.rect->insetLayout()->addElement(legendHere, Qt::AlignTop | Qt::AlignLeft);
        legendHere->setLayer(QStringLiteral("legend"));
        legendHere->setBrush(QColor(255, 255, 255, 200));
        legendHere->setFont(QFont(font().family(), 8));
        legendHere->setRowSpacing(0);
        legendHere->setVisible(true);

        // One value axis per unit: the first on the left, the second on the right.
        QMap<QString, QCPAxis*> axes;
        int n = 0;
        for (int c : p.channels) {
            const QString unit = logic.displayUnit(c);
            QCPAxis* axis = axes.value(unit);
            if (!axis) {
                if (axes.isEmpty())
                    axis = pane.rect->axis(QCPAxis::atLeft);
                else if (axes.size() == 1)
                    axis = pane.rect->addAxis(QCPAxis::atRight);
                else
                    axis = pane.rect->addAxis(QCPAxis::atLeft);
                axis->setLabel(axisTitle(unit, log.channels[std::size_t(c)].name));
                axes.insert(unit, axis);
            }
            auto* g = new ChartGraph(pane.rect->axis(QCPAxis::atBottom), axis);
            g->setPen(QPen(traceColor(n++), 1.5));
            g->setName(log.channels[std::size_t(c)].name);
            g->addToLegend(legendHere);
            points.resize(qsizetype(log.rows()));
            for (std::size_t i = 0; i < log.rows(); ++i)
                points[qsizetype(i)] = QCPGraphData(log.time[i], logic.displayValue(c, i));
            g->data()->set(points, true);
            bool found = false;
            const QCPRange range = g->getValueRange(found);
            if (found) {
                const double pad = std::max(range.size() * 0.05, 1e-6);
                const QCPRange now = axis->range();
                const bool first = axis->property("filled").isNull();
                axis->setRange(first ? QCPRange(range.lower - pad, range.upper + pad)
                                     : QCPRange(std::min(now.lower, range.lower - pad),
                                                std::max(now.upper, range.upper + pad)));
                axis->setProperty("filled", true);
            }
            pane.graphs.push_back(g);
        }
        QCPAxis* time = pane.rect->axis(QCPAxis::atBottom);
        time->setTickLabels(false);
        pane.marker = new QCPItemStraightLine(this);
        pane.marker->setLayer(QStringLiteral("overlay"));
        pane.marker->setClipAxisRect(pane.rect);
        pane.marker->setPen(QPen(QColor(80, 80, 80), 1.0, Qt::DashLine));
        pane.marker->point1->setAxes(time, pane.rect->axis(QCPAxis::atLeft));
        pane.marker->point2->setAxes(time, pane.rect->axis(QCPAxis::atLeft));
        pane.marker->point1->setCoords(m_markerTime, 0.0);
        pane.marker->point2->setCoords(m_markerTime, 1.0);
        pane.marker->setVisible(m_markerVisible);
        // Every pane's time axis follows the others.
        connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this](const QCPRange& r) {
                    for (const Pane& other : m_panes) {
                        QCPAxis* t = other.rect->axis(QCPAxis::atBottom);
                        if (t->range() != r)
                            t->setRange(r);
                    }
                    Q_EMIT timeWindowChanged(r.lower, r.upper);
                });
        m_panes.push_back(pane);
        bottom = pane.rect;
    }
    if (bottom) {
        QCPAxis* time = bottom->axis(QCPAxis::atBottom);
        time->setTickLabels(true);
        time->setLabel(QStringLiteral("Time (s)"));
        // The panes' plot areas line up, whatever their axes' widths.
        auto* margins = new QCPMarginGroup(this);
        for (const Pane& p : m_panes)
            p.rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        // Marks stand on the time axis of every pane, their text in the top one.
        for (const LogMark& mark : log.marks) {
            for (std::size_t k = 0; k < m_panes.size(); ++k) {
                const Pane& p = m_panes[k];
                auto* line = new QCPItemStraightLine(this);
                line->setClipAxisRect(p.rect);
                line->setPen(QPen(QColor(0, 120, 0), 1.0, Qt::DotLine));
                line->point1->setAxes(p.rect->axis(QCPAxis::atBottom),
                                      p.rect->axis(QCPAxis::atLeft));
                line->point2->setAxes(p.rect->axis(QCPAxis::atBottom),
                                      p.rect->axis(QCPAxis::atLeft));
                line->point1->setCoords(mark.time, 0.0);
                line->point2->setCoords(mark.time, 1.0);
                m_marks.push_back(line);
                if (k == 0) {
                    auto* text = new QCPItemText(this);
                    text->setClipAxisRect(p.rect);
                    text->position->setAxes(p.rect->axis(QCPAxis::atBottom),
                                            p.rect->axis(QCPAxis::atLeft));
                    text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
                    text->position->setCoords(mark.time, 0.02);
                    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
                    text->setText(mark.text.left(40));
                    text->setColor(QColor(0, 120, 0));
                    text->setFont(QFont(font().family(), 8));
                }
            }
        }
    }
    setTimeWindow(logic.windowStart(), logic.windowEnd());
}

void LogViewPlot::setTimeWindow(double start, double end) {
    for (const Pane& p : m_panes)
        p.rect->axis(QCPAxis::atBottom)->setRange(start, end);
    replot(QCustomPlot::rpQueuedReplot);
}

void LogViewPlot::setMarkerTime(double time) {
    m_markerTime = time;
    for (const Pane& p : m_panes) {
        p.marker->point1->setCoords(time, 0.0);
        p.marker->point2->setCoords(time, 1.0);
    }
    if (QCPLayer* overlay = layer(QStringLiteral("overlay")))
        overlay->replot();
}

void LogViewPlot::setMarkerVisible(bool visible) {
    m_markerVisible = visible;
    for (const Pane& p : m_panes)
        p.marker->setVisible(visible);
}

double LogViewPlot::timeAtPixel(double x) const {
    if (m_panes.empty())
        return 0.0;
    return m_panes.front().rect->axis(QCPAxis::atBottom)->pixelToCoord(x);
}

bool LogViewPlot::inPanes(const QPointF& pos) const {
    for (const Pane& p : m_panes)
        if (p.rect->rect().contains(pos.toPoint()))
            return true;
    return false;
}
