// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/ChartTemplate.h"
#include "chart/ChartTrace.h"

#include "chart/QCustomPlotHeader.h"

// The chart itself: two plot groups of one series each, trace 1 against the left axis
// "Y" and trace 2 against the right axis "Y2", over the time axis "X", with a vertical
// marker line; on request a third group sharing one of those axes and a horizontal
// target line. Its look comes from the chart template; until a template has been
// loaded the chart holds no data and takes none.
class ChartPlot : public QCustomPlot {
    Q_OBJECT
public:
    explicit ChartPlot(QWidget* parent = nullptr);

    // Applies a template file; false (and nothing changed) when it cannot be read.
    bool loadTemplate(const QString& path);
    void applyTemplate(const ChartTemplate& look);
    bool isPrepared() const { return m_prepared; }

    // Both groups' X values, once when the chart opens. A group is drawn once it has
    // both its times and its values.
    void setTimes(const LogBuffer::Samples& elapsedTime);
    // Replaces one group's Y values (group 1 or 2) with its axis range, title and legend
    // label; drawn once when done.
    void setTrace(int group, const TraceSetup& trace);
    // The optional third trace (group 3), drawn against the axis of trace 1 or 2 (`axisOf`)
    // in its own colour; nothing removes it.
    void setTrace3(const std::optional<TraceSetup>& trace, int axisOf);
    // A horizontal line at `value` on the axis of trace 1 or 2; nothing hides it.
    void setTargetLine(std::optional<double> value, int axisOf);
    bool targetLineVisible() const;
    double targetLineValue() const;
    void setTimeWindow(double start, double end);
    void setMarkerTime(double time);
    void setMarkerVisible(bool visible);

    double markerTime() const;
    // The time under a horizontal pixel position.
    double timeAtPixel(double x) const;
    // The pixel position of a time.
    double pixelAtTime(double time) const;
    bool inPlotArea(const QPointF& pos) const;

    QCPGraph* group(int n) const { return graph(n - 1); }
    QCPAxis* axisX() const { return xAxis; }
    QCPAxis* axisY() const { return yAxis; }
    QCPAxis* axisY2() const { return yAxis2; }

    // Draws the chart as a vector picture filling `target` (device pixels of the
    // painter's device, whose resolution is `dpi`), laid out as on a 96 dpi screen so
    // that lines and text keep their proportions at any resolution.
    void render(QCPPainter& painter, const QRectF& target, double dpiX, double dpiY);
    // The same for any plot.
    static void renderPlot(QCustomPlot& plot, QCPPainter& painter, const QRectF& target,
                           double dpiX, double dpiY);

private:
    void fillGroup(int groupNo);

    QVector<double> m_times;
    QVector<double> m_values[3];
    QCPItemStraightLine* m_marker = nullptr;
    QCPItemStraightLine* m_target = nullptr;
    bool m_prepared = false;
    bool m_replotted = false;
};
