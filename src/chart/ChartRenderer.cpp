#include "chart/ChartRenderer.h"

#include "chart/ChartNavigator.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTemplate.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPdfWriter>

#include <cmath>

namespace ChartRenderer {

namespace {

bool failed(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

bool render(const AppState& state, const Request& request, const QString& path, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))
        return failed(error, QStringLiteral("The output file must end in .png or .pdf."));
    // 8000 a side is far beyond any screen or poster print and still draws in seconds;
    // 20000x20000 took minutes and 1.6 GB.
    if (request.size.width() < kMinSide || request.size.height() < kMinSide ||
        request.size.width() > kMaxSide || request.size.height() > kMaxSide)
        return failed(
            error,
            QStringLiteral("The size must be from %1x%1 to %2x%2.").arg(kMinSide).arg(kMaxSide));

    const float span = ChartNavigator::chartTimeSpan(state.log.DataLogInterval);
    const double from = request.from.value_or(0.0);
    const double to = request.to.value_or(span);
    if (!std::isfinite(from) || !std::isfinite(to) || !(from < to))
        return failed(error, QStringLiteral("The start time must come before the end time."));

    ChartPlot plot;
    plot.resize(request.size);
    if (!plot.loadTemplate(DataFiles::find(QLatin1String(ChartTemplate::kFileName))))
        return failed(error, QStringLiteral("Chart template file QERO4D_Log_Chart.oc2 not found."));
    plot.setTimes(state.log.ElapsedTime);
    plot.setTrace(1, ChartTrace::load(request.trace1, state));
    plot.setTrace(2, ChartTrace::load(request.trace2, state));
    plot.setTimeWindow(from, to);
    plot.setMarkerVisible(false);

    // The picture is made in memory and written in one go through the safe writer, so
    // that a failure leaves the old picture as it was and never half a file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        QImage image(request.size, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return failed(error, QStringLiteral("Cannot draw %1: not enough memory for a %2x%3 "
                                                "picture.")
                                     .arg(path)
                                     .arg(request.size.width())
                                     .arg(request.size.height()));
        image.fill(Qt::white);
        {
            QCPPainter painter(&image);
            plot.render(painter, QRectF(QPointF(0, 0), QSizeF(request.size)), 96.0, 96.0);
        }
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image))
            return failed(error,
                          QStringLiteral("Cannot draw %1: %2").arg(path, writer.errorString()));
    } else {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("QERO4D Log"));
        pdf.setPageSize(QPageSize(QSizeF(request.size) * 72.0 / 96.0, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QCPPainter painter;
        if (!painter.begin(&pdf))
            return failed(error, QStringLiteral("Cannot draw %1.").arg(path));
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        plot.render(painter, QRectF(0, 0, pdf.width(), pdf.height()), pdf.logicalDpiX(),
                    pdf.logicalDpiY());
        if (!painter.end())
            return failed(error, QStringLiteral("Cannot draw %1.").arg(path));
    }
    buffer.close();
    try {
        SafeWrite::writeFile(path, bytes);
    } catch (const QeroFailure& failure) {
        return failed(error, failure.description());
    }
    return true;
}

} // namespace ChartRenderer
