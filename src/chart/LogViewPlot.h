// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/QCustomPlotHeader.h"

#include <vector>

class LogViewLogic;

// The log viewer's plot: one pane per row, stacked, sharing one time axis; in each pane
// one value axis per unit (the first on the left, the second on the right, more to the
// left of those), the marker line through every pane and the log's marks on the time axis.
// Traces are drawn by ChartGraph, so a million samples replot in milliseconds; a missing
// value (a sensor not reading) is a gap.
class LogViewPlot : public QCustomPlot {
    Q_OBJECT
public:
    explicit LogViewPlot(QWidget* parent = nullptr);

    // Lays the panes out afresh from the logic's panes and fills every trace.
    void display(const LogViewLogic& logic);
    void setTimeWindow(double start, double end);
    void setMarkerTime(double time);
    void setMarkerVisible(bool visible);

    int paneCount() const { return int(m_panes.size()); }
    // The traces of a pane in order, for tests and readouts.
    const std::vector<QCPGraph*>& traces(int pane) const {
        return m_panes[std::size_t(pane)].graphs;
    }
    QCPAxisRect* paneRect(int pane) const { return m_panes[std::size_t(pane)].rect; }
    int markCount() const { return int(m_marks.size()); }
    // The time under a horizontal pixel position, and whether a point lies in a pane.
    double timeAtPixel(double x) const;
    bool inPanes(const QPointF& pos) const;

    // The colour of the n-th trace of a pane.
    static QColor traceColor(int n);

Q_SIGNALS:
    void timeWindowChanged(double start, double end);

private:
    struct Pane {
        QCPAxisRect* rect = nullptr;
        std::vector<QCPGraph*> graphs;
        QCPItemStraightLine* marker = nullptr;
    };
    std::vector<Pane> m_panes;
    std::vector<QCPAbstractItem*> m_marks;
    bool m_markerVisible = true;
    double m_markerTime = 0.0;
};
