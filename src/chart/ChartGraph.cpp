// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartGraph.h"

#include "chart/TraceBand.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The data container's storage. It is protected in QCustomPlot; a pointer to the member
// taken through a derived class reaches it without a cast.
struct DataAccess : QCPGraphDataContainer {
    static const QVector<QCPGraphData>& storage(const QCPGraphDataContainer& container) {
        return container.*(&DataAccess::mData);
    }
};

double keyOf(const QCPGraphData& d) {
    return d.key;
}

double valueOf(const QCPGraphData& d) {
    return d.value;
}

} // namespace

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
    const TraceSummary& sums = summary();
    if (sums.usable()) {
        const auto first = mDataContainer->constBegin();
        sums.reduce(&*first, begin - first, end - first, keyOf, valueOf, reduced);
    } else {
        for (auto it = begin; it != end; ++it)
            reduced.add(it->key, it->value);
    }
    const std::vector<TraceDecimator::Column>& kept = reduced.columns();

    if (onRaster(*painter))
        drawBandColumns(painter, kept, columns);
    else
        drawBandOutline(painter, kept, columns);
    return true;
}

const TraceSummary& ChartGraph::summary() {
    const QVector<QCPGraphData>& now = DataAccess::storage(*mDataContainer);
    if (now.constData() != m_summarised.constData() || now.size() != m_summarised.size()) {
        m_summarised = now;
        m_summary.build(&*mDataContainer->constBegin(), mDataContainer->size(), keyOf, valueOf);
    }
    return m_summary;
}

bool ChartGraph::onRaster(const QCPPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Raster &&
           !painter.modes().testFlag(QCPPainter::pmVectorized) &&
           painter.transform().type() <= QTransform::TxScale;
}

void ChartGraph::drawBandColumns(QCPPainter* painter,
                                 const std::vector<TraceDecimator::Column>& kept, int columns) {
    // Worked out in device pixels, where the band is one rectangle a pixel column; a
    // noisy trace then costs as many rectangles as the plot is wide, where an outline
    // of its band would make the rasteriser walk every edge of a million pixels.
    QCPAxis* key = keyAxis();
    QCPAxis* value = valueAxis();
    const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QTransform toDevice = painter->transform();
    toDevice *= QTransform::fromScale(ratio, ratio);
    const QRectF area = toDevice.mapRect(QRectF(key->axisRect()->rect()));
    TraceBand band(int(std::floor(area.left())), int(std::ceil(area.right())),
                   int(std::floor(area.top())), int(std::ceil(area.bottom())),
                   std::max(1.0, mPen.widthF()) * toDevice.m22() / 2.0);
    const QCPRange range = key->range();
    const double columnWidth = range.size() / columns;
    const double sx = toDevice.m11();
    const double dx = toDevice.dx();
    const double sy = toDevice.m22();
    const double dy = toDevice.dy();
    const auto x = [&](double time) { return key->coordToPixel(time) * sx + dx; };
    const auto y = [&](double v) { return value->coordToPixel(v) * sy + dy; };
    for (const TraceDecimator::Column& c : kept) {
        const bool inside = c.column >= 0 && c.column < columns;
        const double middle = inside ? x(range.lower + (c.column + 0.5) * columnWidth) : 0.0;
        band.add(inside ? middle : x(c.first.time), inside ? middle : x(c.last.time),
                 y(c.first.value), y(c.lowest.value), y(c.highest.value), y(c.last.value),
                 c.gapBefore);
    }
    const std::vector<TraceBand::Run> runs = band.runs();
    // Written straight into an image and laid over the plot, in tiles a few dozen
    // columns wide, each only as tall as the band within it: filling the columns one by
    // one through the painter costs a call per pixel row of each column (millions for a
    // noisy trace), and one image as tall as the whole band would make a smooth trace
    // pay for the height it crosses over the width of the plot.
    constexpr int kTile = 32;
    const int columnCount = int(runs.size());
    const quint32 ink = qPremultiply(mPen.color().rgba());
    painter->save();
    painter->setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
    for (int from = 0; from < columnCount; from += kTile) {
        const int to = std::min(columnCount, from + kTile);
        int top = std::numeric_limits<int>::max();
        int bottom = std::numeric_limits<int>::min();
        for (int i = from; i < to; ++i)
            if (!runs[std::size_t(i)].empty()) {
                top = std::min(top, runs[std::size_t(i)].top);
                bottom = std::max(bottom, runs[std::size_t(i)].bottom);
            }
        if (top > bottom)
            continue;
        const int height = bottom - top + 1;
        if (m_band.width() < kTile || m_band.height() < height)
            m_band = QImage(kTile, std::max(height, m_band.height()),
                            QImage::Format_ARGB32_Premultiplied);
        for (int row = top; row <= bottom; ++row) {
            auto* line = reinterpret_cast<quint32*>(m_band.scanLine(row - top));
            for (int i = from; i < to; ++i) {
                const TraceBand::Run& r = runs[std::size_t(i)];
                line[i - from] = r.top <= row && row <= r.bottom ? ink : 0u;
            }
        }
        painter->drawImage(QPoint(band.left() + from, top), m_band, QRect(0, 0, to - from, height));
    }
    painter->restore();
}

void ChartGraph::drawBandOutline(QCPPainter* painter,
                                 const std::vector<TraceDecimator::Column>& kept, int columns) {
    QCPAxis* key = keyAxis();
    QCPAxis* value = valueAxis();
    const QCPRange range = key->range();
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
}
