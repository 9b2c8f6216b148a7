// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartPrinter.h"

#include "chart/ChartPlot.h"
#include "chart/ChartPrintLayout.h"
#include "support/QeroFailure.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPagedPaintDevice>

namespace ChartPrinter {

void printPage(QPagedPaintDevice& device, ChartPlot& chart, const QStringList& headerLines) {
    device.setPageOrientation(QPageLayout::Landscape);
    QCPPainter painter;
    if (!painter.begin(&device))
        throw QeroFailure(QStringLiteral("Print"), QStringLiteral("Printer error"));
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);

    QFont font(ChartPrintLayout::fontFamily(QFontDatabase::families()));
    font.setPointSize(ChartPrintLayout::kFontPoints);
    font.setStyleHint(QFont::TypeWriter); // a fixed-pitch face when neither is installed
    painter.setFont(font);
    painter.setPen(Qt::black);

    const double dpiX = device.logicalDpiX();
    const double dpiY = device.logicalDpiY();
    const QRect chartRect =
        ChartPrintLayout::chartRect(device.width(), device.height(), dpiX, dpiY);

    const QFontMetrics metrics(font, &device);
    int top = ChartPrintLayout::headerTop(dpiY);
    for (const QString& line : headerLines) {
        painter.drawText(QPoint(0, top + metrics.ascent()), line);
        top += metrics.height();
    }

    chart.render(painter, chartRect, dpiX, dpiY);
    if (!painter.end())
        throw QeroFailure(QStringLiteral("Print"), QStringLiteral("Printer error"));
}

} // namespace ChartPrinter
