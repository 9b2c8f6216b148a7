#pragma once

#include "chart/QCustomPlotHeader.h"

// One trace of the chart. Where the visible samples are denser than the pixel columns of
// the device drawn on, the trace is reduced to each column's first, lowest, highest and
// last sample (TraceDecimator) and drawn as the band those cover, one filled outline as
// wide as the pen: every column shows its whole range, a one-sample spike included, and
// the cost follows the plot's width, not the number of samples or how noisy they are.
// Sparser stretches are drawn sample by sample as lines, as QCustomPlot draws them. The
// data itself is never thinned: the marker search and the readouts see every sample.
class ChartGraph : public QCPGraph {
public:
    ChartGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // Device pixels per pixel of the plot's layout on this painter (a printer's page is
    // laid out at screen size and scaled up).
    static double deviceScale(const QCPPainter& painter);

protected:
    void draw(QCPPainter* painter) override;

private:
    bool drawReduced(QCPPainter* painter);
};
