// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutText.h"

namespace AboutText {

QString build(const QStringList& configList2) {
    const QString label = configList2.isEmpty() ? QString() : configList2.first();
    QString text = label + QStringLiteral(" QERO Dual Channel Data Logging Program Revision 4.30");
    text += u'\n';
    text += QStringLiteral("Free software for QERO module owners: use, copy and share it freely; "
                           "it comes with no warranty.");
    text += QStringLiteral("\n\n");
    for (qsizetype i = 1; i < configList2.size(); ++i)
        text += configList2[i] + u'\n';
    return text;
}

} // namespace AboutText
