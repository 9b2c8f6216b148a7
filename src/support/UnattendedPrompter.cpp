// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/UnattendedPrompter.h"

Prompter::Button UnattendedPrompter::message(const QString& text, const QString& title, Icon icon,
                                             Buttons buttons) {
    Button answer = Ok;
    for (Button b : {Ignore, Ok, No, Discard, Cancel, Yes, Retry, Abort, Save}) {
        if (buttons & b) {
            answer = b;
            break;
        }
    }
    std::fprintf(m_out, "%s (%s): %s [%s]\n", qPrintable(title), qPrintable(iconName(icon)),
                 qPrintable(text), qPrintable(buttonName(answer)));
    std::fflush(m_out);
    return answer;
}

std::optional<QString> UnattendedPrompter::input(const QString& prompt, const QString& title,
                                                 const QString&) {
    std::fprintf(m_out, "%s: %s [cancelled]\n", qPrintable(title), qPrintable(prompt));
    return std::nullopt;
}

QString UnattendedPrompter::openFileName(const QString&, const QString&, const QString&) {
    return {};
}

QString UnattendedPrompter::saveFileName(const QString&, const QString&, const QString&) {
    return {};
}
