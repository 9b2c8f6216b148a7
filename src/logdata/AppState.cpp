// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/AppState.h"

QString AppState::afrFormatFor(float stoichRatio) {
    if (stoichRatio < 2.0f)
        return QStringLiteral("#0.000");
    if (stoichRatio <= 10.0f)
        return QStringLiteral("#0.00");
    return QStringLiteral("#0.0");
}
