// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartPlot.h"

#include "chart/ChartGraph.h"

#include <QPainter>

#include <cmath>

namespace {

// Lay-out resolution of the chart: fonts are given in pixels of a 96 dpi screen so
// that a printout scales text together with everything else.
constexpr double kLayoutDpi = 96.0;

QColor color(quint32 argb) {
    return QColor::fromRgba(argb);
}

Qt::PenStyle penStyle(ChartTemplate::LineStyle s) {
    switch (s) {
    case ChartTemplate::LineStyle::Dash:
        return Qt::DashLine;
    case ChartTemplate::LineStyle::Dot:
        return Qt::DotLine;
    case ChartTemplate::LineStyle::DashDot:
        return Qt::DashDotLine;
    case ChartTemplate::LineStyle::Solid:
        break;
    }
    return Qt::SolidLine;
}

QPen pen(const ChartTemplate::Line& line) {
    QPen p(color(line.color), line.width, penStyle(line.style));
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

QFont toFont(const ChartTemplate::Font& f) {
    QFont q(f.family);
    q.setPixelSize(std::max(1, int(std::lround(f.points * kLayoutDpi / 72.0))));
    q.setBold(f.bold);
    q.setItalic(f.italic);
    return q;
}

} // namespace

ChartPlot::ChartPlot(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("Chart2D1"));
    // Axis labels drawn as text, never as cached pictures, so that a printout stays
    // sharp; the replot is fast enough for 2 x 12000 points.
    setPlottingHint(QCP::phCacheLabels, false);
    // Traces of 12000 points in a pen wider than one pixel: drawn as one polyline the
    // raster engine strokes them as a single self-crossing outline, which takes seconds
    // per redraw; drawn segment by segment it takes milliseconds, and at this width the
    // joins look the same.
    setPlottingHint(QCP::phFastPolylines, true);
    // The graphs register themselves with the plot.
    new ChartGraph(xAxis, yAxis);
    new ChartGraph(xAxis, yAxis2);
    auto* third = new ChartGraph(xAxis, yAxis);
    third->setVisible(false);
    third->removeFromLegend();
    xAxis->setLabel(QStringLiteral("Elapsed Time (sec)"));
    yAxis->setVisible(true);
    yAxis2->setVisible(true);
    yAxis2->setTickLabels(true);
    // The marker lies on the top layer, which keeps a picture of its own: moving it
    // redraws one line instead of the whole chart. A layer of its own just above the
    // traces would cost every replot one more full-size picture to clear and lay over.
    m_marker = new QCPItemStraightLine(this);
    m_marker->setLayer(QStringLiteral("overlay"));
    connect(this, &QCustomPlot::afterReplot, this, [this] { m_replotted = true; });
    m_marker->point1->setAxes(xAxis, yAxis);
    m_marker->point2->setAxes(xAxis, yAxis);
    setMarkerTime(0.0);
    m_target = new QCPItemStraightLine(this);
    m_target->setVisible(false);
    legend->setVisible(false);
}

bool ChartPlot::loadTemplate(const QString& path) {
    const std::optional<ChartTemplate> look = ChartTemplate::load(path);
    if (!look)
        return false;
    applyTemplate(*look);
    return true;
}

void ChartPlot::applyTemplate(const ChartTemplate& look) {
    setBackground(color(look.background));
    axisRect()->setBackground(color(look.plotBackground));
    for (QCPAxis* axis : {xAxis, yAxis, yAxis2}) {
        axis->setBasePen(pen(look.axes));
        axis->setTickPen(pen(look.axes));
        axis->setSubTickPen(pen(look.axes));
        axis->setTickLabelColor(color(look.axes.color));
        axis->setLabelColor(color(look.axes.color));
        axis->setTickLabelFont(toFont(look.tickFont));
        axis->setLabelFont(toFont(look.titleFont));
        axis->grid()->setPen(pen(look.grid));
        axis->grid()->setSubGridPen(pen(look.subGrid));
        axis->grid()->setZeroLinePen(Qt::NoPen);
        axis->grid()->setSubGridVisible(look.gridVisible && look.subGridVisible);
    }
    // One grid is enough: the right axis draws none over the left one's.
    xAxis->grid()->setVisible(look.gridVisible);
    yAxis->grid()->setVisible(look.gridVisible);
    yAxis2->grid()->setVisible(false);
    yAxis2->grid()->setSubGridVisible(false);
    graph(0)->setPen(pen(look.trace1));
    graph(1)->setPen(pen(look.trace2));
    graph(2)->setPen(pen(look.trace3));
    m_target->setPen(pen(look.target));
    m_marker->setPen(pen(look.marker));
    legend->setVisible(look.legendVisible);
    legend->setFont(toFont(look.legendFont));
    legend->setBrush(color(look.legendBackground));
    legend->setBorderPen(pen(look.axes));
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    m_prepared = true;
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPlot::setTimes(const LogBuffer::Samples& elapsedTime) {
    m_times.resize(LogBuffer::kSamples);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        m_times[i] = elapsedTime[i];
    for (int n = 1; n <= 3; ++n)
        fillGroup(n);
}

void ChartPlot::fillGroup(int groupNo) {
    const QVector<double>& values = m_values[groupNo - 1];
    if (m_times.size() != LogBuffer::kSamples || values.size() != LogBuffer::kSamples)
        return;
    // One bulk copy of the whole series, drawn once.
    QVector<QCPGraphData> points(LogBuffer::kSamples);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        points[i] = QCPGraphData(m_times[i], values[i]);
    group(groupNo)->data()->set(points, false);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPlot::setTrace(int groupNo, const TraceSetup& trace) {
    QCPGraph* g = group(groupNo);
    QCPAxis* axis = groupNo == 1 ? yAxis : yAxis2;
    axis->setRange(trace.axisMinimum, trace.axisMaximum);
    axis->setLabel(trace.title);
    axis->setVisible(true);
    g->setName(trace.title);
    QVector<double>& values = m_values[groupNo - 1];
    values.resize(LogBuffer::kSamples);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        values[i] = trace.values[i];
    fillGroup(groupNo);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPlot::setTrace3(const std::optional<TraceSetup>& trace, int axisOf) {
    QCPGraph* g = group(3);
    QVector<double>& values = m_values[2];
    if (!trace || (axisOf != 1 && axisOf != 2)) {
        g->setVisible(false);
        g->removeFromLegend();
        g->data()->clear();
        values.clear();
        replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    g->setValueAxis(axisOf == 1 ? yAxis : yAxis2);
    g->setName(trace->title);
    values.resize(LogBuffer::kSamples);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        values[i] = trace->values[i];
    fillGroup(3);
    g->setVisible(true);
    g->addToLegend();
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPlot::setTargetLine(std::optional<double> value, int axisOf) {
    if (!value || (axisOf != 1 && axisOf != 2)) {
        m_target->setVisible(false);
        replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    QCPAxis* axis = axisOf == 1 ? yAxis : yAxis2;
    for (QCPItemPosition* p : {m_target->point1, m_target->point2})
        p->setAxes(xAxis, axis);
    m_target->point1->setCoords(0.0, *value);
    m_target->point2->setCoords(1.0, *value);
    m_target->setVisible(true);
    replot(QCustomPlot::rpQueuedReplot);
}

bool ChartPlot::targetLineVisible() const {
    return m_target->visible();
}

double ChartPlot::targetLineValue() const {
    return m_target->point1->coords().y();
}

void ChartPlot::setTimeWindow(double start, double end) {
    xAxis->setRange(start, end);
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPlot::setMarkerTime(double time) {
    m_marker->point1->setCoords(time, 0.0);
    m_marker->point2->setCoords(time, 1.0);
    // Until the chart has its pictures (before its first replot or after a resize), a
    // whole replot is due anyway.
    if (!m_replotted || hasInvalidatedPaintBuffers())
        replot(QCustomPlot::rpQueuedReplot);
    else
        m_marker->layer()->replot();
}

void ChartPlot::setMarkerVisible(bool visible) {
    m_marker->setVisible(visible);
}

double ChartPlot::markerTime() const {
    return m_marker->point1->coords().x();
}

double ChartPlot::timeAtPixel(double x) const {
    return xAxis->pixelToCoord(x);
}

double ChartPlot::pixelAtTime(double time) const {
    return xAxis->coordToPixel(time);
}

bool ChartPlot::inPlotArea(const QPointF& pos) const {
    return axisRect()->rect().contains(pos.toPoint());
}

void ChartPlot::render(QCPPainter& painter, const QRectF& target, double dpiX, double dpiY) {
    renderPlot(*this, painter, target, dpiX, dpiY);
}

void ChartPlot::renderPlot(QCustomPlot& plot, QCPPainter& painter, const QRectF& target,
                           double dpiX, double dpiY) {
    const double sx = dpiX / kLayoutDpi;
    const double sy = dpiY / kLayoutDpi;
    const int width = std::max(1, int(std::lround(target.width() / sx)));
    const int height = std::max(1, int(std::lround(target.height() / sy)));
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / width, target.height() / height);
    painter.setClipRect(QRect(0, 0, width, height));
    // A vector printout is not rasterised here, so its traces keep their true joins.
    const QCP::PlottingHints screenHints = plot.plottingHints();
    if (painter.modes().testFlag(QCPPainter::pmVectorized))
        plot.setPlottingHint(QCP::phFastPolylines, false);
    plot.toPainter(&painter, width, height);
    plot.setPlottingHints(screenHints);
    painter.restore();
    // The screen layout was replaced by the one of the target; put it back.
    plot.replot(QCustomPlot::rpQueuedReplot);
}
