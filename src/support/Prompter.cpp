// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Prompter.h"

QString Prompter::buttonName(Button b) {
    switch (b) {
    case Ok:
        return QStringLiteral("OK");
    case Cancel:
        return QStringLiteral("Cancel");
    case Abort:
        return QStringLiteral("Abort");
    case Retry:
        return QStringLiteral("Retry");
    case Ignore:
        return QStringLiteral("Ignore");
    case Yes:
        return QStringLiteral("Yes");
    case No:
        return QStringLiteral("No");
    case Save:
        return QStringLiteral("Save");
    case Discard:
        return QStringLiteral("Discard");
    case NoButton:
        break;
    }
    return QStringLiteral("None");
}

QString Prompter::iconName(Icon i) {
    switch (i) {
    case Icon::None:
        return QStringLiteral("none");
    case Icon::Information:
        return QStringLiteral("information");
    case Icon::Exclamation:
        return QStringLiteral("exclamation");
    case Icon::Critical:
        return QStringLiteral("critical");
    case Icon::Question:
        return QStringLiteral("question");
    }
    return {};
}
