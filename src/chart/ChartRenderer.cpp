// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartRenderer.h"

#include "chart/ChartNavigator.h"
#include "chart/ChartPlot.h"
#include "chart/ChartTemplate.h"
#include "chart/LogViewLogic.h"
#include "chart/LogViewPlot.h"
#include "chart/PngEncoder.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
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

std::optional<Format> formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return std::nullopt;
}

QByteArray picture(QCustomPlot& plot, Format format, const QSize& size) {
    if (format == Format::Png) {
        // Opaque: the PNG then holds three bytes a pixel instead of four.
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QCPPainter painter(&image);
            ChartPlot::renderPlot(plot, painter, QRectF(QPointF(0, 0), QSizeF(size)), 96.0, 96.0);
        }
        return PngEncoder::encode(reinterpret_cast<const std::uint32_t*>(image.constBits()),
                                  image.width(), image.height(), image.bytesPerLine() / 4);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setCreator(QStringLiteral("QERO4D Log"));
    pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (!painter.begin(&pdf))
        return {};
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    ChartPlot::renderPlot(plot, painter, QRectF(0, 0, pdf.width(), pdf.height()), pdf.logicalDpiX(),
                          pdf.logicalDpiY());
    if (!painter.end())
        return {};
    return bytes;
}

namespace {

bool checkSize(const QSize& size, QString* error) {
    // 6000x8000 is far beyond any screen or poster print and still draws in a second;
    // 20000x20000 took minutes and 1.6 GB.
    if (size.width() < kMinSide || size.height() < kMinSide || size.width() > kMaxWidth ||
        size.height() > kMaxSide)
        return failed(error, QStringLiteral("The size must be from %1x%1 to %2x%3.")
                                 .arg(kMinSide)
                                 .arg(kMaxWidth)
                                 .arg(kMaxSide));
    return true;
}

bool writePicture(QCustomPlot& plot, Format format, const QSize& size, const QString& path,
                  QString* error) {
    const QByteArray bytes = picture(plot, format, size);
    if (bytes.isEmpty())
        return failed(error, QStringLiteral("Cannot draw the picture for %1.").arg(path));
    try {
        SafeWrite::writeFile(path, bytes);
    } catch (const QeroFailure& f) {
        return failed(error, f.description());
    }
    return true;
}

} // namespace

bool renderLog(const Log& log, const LogRequest& request, const QString& path, QString* error) {
    const std::optional<Format> format = formatOf(path);
    if (!format)
        return failed(error, QStringLiteral("The output file must end in .png or .pdf."));
    if (!checkSize(request.size, error))
        return false;
    LogViewLogic logic(log);
    logic.panes = {LogViewLogic::Pane{request.channels}};
    const double from = request.from.value_or(logic.logStart());
    const double to = request.to.value_or(logic.logEnd());
    if (!std::isfinite(from) || !std::isfinite(to) || !(from < to))
        return failed(error, QStringLiteral("The start time must come before the end time."));
    LogViewPlot plot;
    plot.resize(request.size);
    plot.display(logic);
    plot.setTimeWindow(from, to);
    plot.setMarkerVisible(false);
    return writePicture(plot, *format, request.size, path, error);
}

bool render(const AppState& state, const Request& request, const QString& path, QString* error) {
    const std::optional<Format> format = formatOf(path);
    if (!format)
        return failed(error, QStringLiteral("The output file must end in .png or .pdf."));
    if (!checkSize(request.size, error))
        return false;

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
    plot.setTrace(1, ChartTrace::load(request.trace1, state.log, state.settings));
    plot.setTrace(2, ChartTrace::load(request.trace2, state.log, state.settings));
    plot.setTimeWindow(from, to);
    plot.setMarkerVisible(false);

    return writePicture(plot, *format, request.size, path, error);
}

} // namespace ChartRenderer
