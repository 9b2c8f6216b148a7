// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class ChartPlot;
class QPagedPaintDevice;

// Prints one landscape page: the header lines at the top, and the chart below them,
// drawn as vectors at the device's own resolution.
namespace ChartPrinter {

// Throws a failure when the device cannot be painted on.
void printPage(QPagedPaintDevice& device, ChartPlot& chart, const QStringList& headerLines);

} // namespace ChartPrinter
