// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTablePrintout.h"

#include "logdata/AppState.h"
#include "support/Numbers.h"

namespace AFRTablePrintout {

QString chooseFont(const QStringList& installedFamilies) {
    const QString preferred = QStringLiteral("Monospac821 BT");
    for (const QString& family : installedFamilies) {
        if (family.compare(preferred, Qt::CaseInsensitive) == 0)
            return preferred;
    }
    return QStringLiteral("Courier New");
}

QString fixedField(const QString& text, int width) {
    return text.left(width).leftJustified(width, u' ');
}

QStringList tableLines(const AFRTableGrid::Texts& texts) {
    QStringList lines;
    lines.reserve(AFRTableGrid::kRows);
    for (const auto& row : texts) {
        QString line;
        line.reserve(AFRTableGrid::kColumns * kFieldWidth);
        for (const QString& cell : row)
            line += fixedField(cell);
        lines << line;
    }
    return lines;
}

QStringList headerLines(const AppState& state, const QDateTime& printedAt) {
    const QString label =
        state.settings.ConfigList2.isEmpty() ? QString() : state.settings.ConfigList2.first();
    QStringList lines;
    lines << label + QStringLiteral(" QERO AFR Data Printed: ") +
                 Numbers::generalDateTime(printedAt);
    lines << QString();
    if (!state.log.Comment.isEmpty())
        lines << QStringLiteral("Comment: ") + state.log.Comment;
    lines << QStringLiteral("Fuel Type: ") + state.log.FuelType;
    lines << QStringLiteral("Stoichiometric Ratio: ") +
                 Numbers::format(state.log.StoichRatio, QStringLiteral("#0.00"));
    const QString kind = state.settings.AFRTableDisplay == QLatin1String("AFR")
                             ? QStringLiteral(" Average AFR")
                             : QStringLiteral(" Required Fuel Correction (%)");
    lines << QStringLiteral("Data Type: ") + state.settings.AFRTableData + kind;
    lines << QStringLiteral("AFR Target: ") +
                 Numbers::format(state.settings.AFRTarget, state.settings.AFRFormat);
    // Numbers are printed with their sign position, a blank for a positive value.
    const QString sign = state.settings.MinSampleNum < 0 ? QString() : QStringLiteral(" ");
    lines << QStringLiteral("Minimum Samples Per Cell: ") + sign +
                 Numbers::format(state.settings.MinSampleNum, QStringLiteral("0"));
    lines << QString();
    return lines;
}

QStringList pageLines(const AppState& state, const AFRTableGrid::Texts& texts,
                      const QDateTime& printedAt) {
    return headerLines(state, printedAt) + tableLines(texts);
}

} // namespace AFRTablePrintout
