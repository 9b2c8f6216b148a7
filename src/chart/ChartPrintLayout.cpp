// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/ChartPrintLayout.h"

#include "support/Numbers.h"

#include <algorithm>
#include <cmath>

namespace ChartPrintLayout {

namespace {
constexpr double kTwipsPerInch = 1440.0;

int pixels(double value) {
    if (!std::isfinite(value))
        return 0;
    return int(std::clamp(Numbers::roundHalfEven(value), -1.0e9, 1.0e9));
}
} // namespace

QString fontFamily(const QStringList& availableFamilies) {
    const QString preferred = QStringLiteral("Monospac821 BT");
    for (const QString& family : availableFamilies) {
        if (family.compare(preferred, Qt::CaseInsensitive) == 0)
            return family;
    }
    return QStringLiteral("Courier New");
}

QStringList headerLines(const QStringList& configList2, const QString& downloadDate,
                        const QString& comment) {
    const QString maker = configList2.isEmpty() ? QString() : configList2.first();
    QStringList lines{maker + QStringLiteral(" QERO Data Printed: ") + downloadDate};
    if (!comment.isEmpty())
        lines << QStringLiteral("Comment: ") + comment;
    return lines;
}

QRect chartRect(int pageWidthPx, int pageHeightPx, double dpiX, double dpiY) {
    const double twipsPerPixelX = kTwipsPerInch / dpiX;
    const double twipsPerPixelY = kTwipsPerInch / dpiY;
    const double pageWidthTwips = pageWidthPx * twipsPerPixelX;
    const double pageHeightTwips = pageHeightPx * twipsPerPixelY;
    return QRect(0, pixels(kChartTopTwips / twipsPerPixelY),
                 pixels(pageWidthTwips / twipsPerPixelX),
                 pixels((pageHeightTwips - kChartTopTwips) / twipsPerPixelY));
}

int headerTop(double dpiY) {
    return pixels(kHeaderTopTwips / (kTwipsPerInch / dpiY));
}

} // namespace ChartPrintLayout
