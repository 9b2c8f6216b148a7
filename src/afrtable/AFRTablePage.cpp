// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTablePage.h"

#include "afrtable/AFRTablePrintout.h"
#include "support/QeroFailure.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace AFRTablePage {

void paint(QPaintDevice& device, const QString& fontFamily, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&device))
        throw QeroFailure(QStringLiteral("Print"), QStringLiteral("The printer is not available."));

    QFont font(fontFamily);
    font.setPointSize(AFRTablePrintout::kFontPoints);
    // If the family is missing the substitute must still be monospaced, or the
    // 8-character fields would not line up.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    painter.setFont(font);
    const QFontMetricsF metrics(painter.font(), &device);

    const double left = (AFRTablePrintout::kTextColumn - 1) * metrics.horizontalAdvance(u' ');
    double top = AFRTablePrintout::kTopTwips * device.logicalDpiY() / 1440.0;
    for (const QString& line : lines) {
        if (!line.isEmpty())
            painter.drawText(QPointF(left, top + metrics.ascent()), line);
        top += metrics.lineSpacing();
    }
    if (!painter.end())
        throw QeroFailure(QStringLiteral("Print"),
                          QStringLiteral("The page could not be printed."));
}

} // namespace AFRTablePage
