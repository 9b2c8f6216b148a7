// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "afrtable/AFRTableGrid.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

struct AppState;

// The text of the printed AFR table: the heading lines with the run's details, then one
// line per grid row made of 8-character fields.
namespace AFRTablePrintout {

constexpr int kFieldWidth = 8;
// Lines start at this character column of the page (counted from 1).
constexpr int kTextColumn = 10;
// Space from the top of the page to the first line, in twips (1/1440 inch).
constexpr int kTopTwips = 1000;
constexpr int kFontPoints = 10;

// "Monospac821 BT" when it is installed (in any letter case), else "Courier New".
QString chooseFont(const QStringList& installedFamilies);

// The text left-aligned in a field of `width` characters: padded with blanks, or cut
// to its first `width` characters.
QString fixedField(const QString& text, int width = kFieldWidth);

// One line per grid row: the 10 cell texts as fixed fields, without separators.
QStringList tableLines(const AFRTableGrid::Texts& texts);

// The lines above the table: company label and print time, a blank line, the comment
// (only when there is one), fuel, ratio, data type, target, minimum samples, a blank line.
QStringList headerLines(const AppState& state, const QDateTime& printedAt);

// Everything printed on the page, top to bottom.
QStringList pageLines(const AppState& state, const AFRTableGrid::Texts& texts,
                      const QDateTime& printedAt);

} // namespace AFRTablePrintout
