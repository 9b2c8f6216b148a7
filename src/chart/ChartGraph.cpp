#include "chart/ChartGraph.h"

#include "chart/TraceDecimator.h"

#include <algorithm>
#include <cmath>

ChartGraph::ChartGraph(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {
    // The reduction below replaces QCustomPlot's own sampling of dense data.
    setAdaptiveSampling(false);
}

double ChartGraph::deviceScale(const QCPPainter& painter) {
    const QTransform& t = painter.transform();
    const double scale = std::hypot(t.m11(), t.m12());
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    return scale > 0.0 && std::isfinite(scale) ? scale * ratio : ratio;
}

void ChartGraph::draw(QCPPainter* painter) {
    if (!drawReduced(painter))
        QCPGraph::draw(painter);
}

bool ChartGraph::drawReduced(QCPPainter* painter) {
    QCPAxis* key = keyAxis();
    QCPAxis* value = valueAxis();
    if (!key || !value || key->orientation() != Qt::Horizontal || mLineStyle != lsLine ||
        mDataContainer->isEmpty())
        return false;
    QCPGraphDataContainer::const_iterator begin, end;
    getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
    if (begin == end)
        return true;
    const QCPRange range = key->range();
    const double width = std::fabs(key->coordToPixel(range.upper) - key->coordToPixel(range.lower));
    const int columns = std::max(1, int(std::ceil(width * deviceScale(*painter))));
    // Up to two samples a column, drawing them as they are costs no more than the band
    // and keeps a printout a true vector of every sample.
    if (end - begin <= 2 * qsizetype(columns))
        return false;

    TraceDecimator reduced(range.lower, range.upper, columns);
    for (auto it = begin; it != end; ++it)
        reduced.add(it->key, it->value);
    const std::vector<TraceDecimator::Column>& kept = reduced.columns();

    // The band reaches half a pen width beyond each column's range, and is at least a
    // pen width thick, as the line through the samples would be.
    const double penWidth = std::max(1.0, mPen.widthF()) / 2.0;
    const double columnWidth = range.size() / columns;
    // Values far off the axis would only strain the rasteriser: they are drawn at its edge.
    const QRect area = mKeyAxis->axisRect()->rect();
    const double far = 4.0 * (area.width() + area.height());
    const auto within = [&](double v, double lo, double hi) {
        return std::isnan(v) ? lo : std::clamp(v, lo - far, hi + far);
    };
    painter->setPen(Qt::NoPen);
    painter->setBrush(mPen.color());
    // Without antialiasing: at two samples or more a pixel column the band's edges are
    // whole pixels anyway, and Qt's antialiased filling of such outlines costs ten to
    // twenty times as much (measured: 94 against 11 ms for the smooth log's replot).
    painter->setAntialiasing(false);

    // Each unbroken run of columns as x with the band's top and bottom.
    QVector<double> xs, tops, bottoms;
    xs.reserve(qsizetype(kept.size()));
    tops.reserve(qsizetype(kept.size()));
    bottoms.reserve(qsizetype(kept.size()));
    QPolygonF outline;
    const auto drawRun = [&] {
        // Drawn in pieces of a few dozen columns: the rasteriser's cost grows far faster
        // than the outline's length once one outline holds thousands of corners. The
        // pieces overlap by one column, so that they meet without a gap.
        constexpr qsizetype kPiece = 32;
        const qsizetype n = xs.size();
        for (qsizetype from = 0; n > 0;) {
            const qsizetype to = std::min(n - 1, from + kPiece);
            outline.clear();
            for (qsizetype i = from; i <= to; ++i)
                outline.append(QPointF(xs[i], tops[i]));
            for (qsizetype i = to; i >= from; --i)
                outline.append(QPointF(xs[i], bottoms[i]));
            if (to == from) // a lone column: its band one pen width wide
                outline = QPolygonF(QRectF(xs[from] - penWidth, tops[from], 2.0 * penWidth,
                                           bottoms[from] - tops[from]));
            painter->drawPolygon(outline);
            if (to == n - 1)
                break;
            from = to - 1;
        }
        xs.clear();
        tops.clear();
        bottoms.clear();
    };
    for (const TraceDecimator::Column& c : kept) {
        if (c.gapBefore)
            drawRun();
        // Inside the plot a column stands at its middle; the samples just outside it at
        // their own times.
        const double time = c.column >= 0 && c.column < columns
                                ? range.lower + (c.column + 0.5) * columnWidth
                                : c.first.time;
        double top = within(value->coordToPixel(c.highest.value), area.top(), area.bottom());
        double bottom = within(value->coordToPixel(c.lowest.value), area.top(), area.bottom());
        if (top > bottom)
            std::swap(top, bottom);
        xs.append(within(key->coordToPixel(time), area.left(), area.right()));
        tops.append(top - penWidth);
        bottoms.append(bottom + penWidth);
    }
    drawRun();
    return true;
}
