// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

// Where the chart printout puts its parts, in the printer's own pixels, and what its
// header says. Page positions are given in twips (1/1440 inch) from the top left
// corner of the printable page.
namespace ChartPrintLayout {

constexpr int kHeaderTopTwips = 500;
constexpr int kChartTopTwips = 1000;
constexpr int kFontPoints = 8;

// "Monospac821 BT" when the printer has it (letter case ignored), else "Courier New".
QString fontFamily(const QStringList& availableFamilies);

// Line 1 names the maker and the download time; line 2 carries the comment when
// there is one.
QStringList headerLines(const QStringList& configList2, const QString& downloadDate,
                        const QString& comment);

// The chart's rectangle below the header: full width, from 1000 twips down to the
// bottom of the page.
QRect chartRect(int pageWidthPx, int pageHeightPx, double dpiX, double dpiY);

// 500 twips from the top, in pixels.
int headerTop(double dpiY);

} // namespace ChartPrintLayout
