// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/QCustomPlotHeader.h"
#include "chart/TraceDecimator.h"
#include "chart/TraceSummary.h"

#include <vector>

// One trace of the chart. Where the visible samples are denser than the pixel columns of
// the device drawn on, the trace is reduced to each column's first, lowest, highest and
// last sample (TraceDecimator) and drawn as the band those cover, as wide as the pen: on
// screen and in pictures one run of whole pixels per column (TraceBand), on a page or in
// a vector file a filled outline. Every column shows its whole range, a one-sample spike
// included, and the cost follows the plot's width, not the number of samples or how
// noisy they are. The reduction reads a summary of the series (TraceSummary), made again
// whenever the data changes, rather than every sample.
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
    // Whether the painter draws into pixels (a window or an image) rather than a vector
    // file or a printer, with no rotation.
    static bool onRaster(const QCPPainter& painter);
    // The band as one rectangle of whole device pixels a column: the same pixels as the
    // line through every sample, drawn in a few thousand rectangle fills.
    void drawBandColumns(QCPPainter* painter, const std::vector<TraceDecimator::Column>& kept,
                         int columns);
    // The band as filled outlines: a page or a vector file gets a true vector shape.
    void drawBandOutline(QCPPainter* painter, const std::vector<TraceDecimator::Column>& kept,
                         int columns);

    // The summary of the data as it stands, made when it has changed since the last draw.
    const TraceSummary& summary();

    // The band's pixels, kept between replots so that a replot allocates nothing.
    QImage m_band;
    TraceSummary m_summary;
    // The data the summary was made from, held: every change to a graph's data goes
    // through its vector, which copies itself rather than alter storage another holds, so
    // storage that is no longer this one's means the data changed.
    QVector<QCPGraphData> m_summarised;
};
