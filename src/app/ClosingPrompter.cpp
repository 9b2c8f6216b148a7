// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ClosingPrompter.h"

Prompter::Button ClosingPrompter::message(const QString& text, const QString& title, Icon icon,
                                          Buttons buttons) {
    if (!m_closing)
        return m_shown.message(text, title, icon, buttons);
    for (Button b : {Abort, Cancel, No, Ok}) {
        if (buttons & b)
            return b;
    }
    // Some other set of buttons: the first one, as closing a box answers.
    for (unsigned bit = 1; bit != 0 && bit <= Discard; bit <<= 1) {
        if (buttons & bit)
            return Button(bit);
    }
    return Ok;
}

std::optional<QString> ClosingPrompter::input(const QString& prompt, const QString& title,
                                              const QString& defaultText) {
    if (m_closing)
        return std::nullopt;
    return m_shown.input(prompt, title, defaultText);
}

QString ClosingPrompter::openFileName(const QString& title, const QString& filter,
                                      const QString& folder) {
    if (m_closing)
        return {};
    return m_shown.openFileName(title, filter, folder);
}

QString ClosingPrompter::saveFileName(const QString& title, const QString& filter,
                                      const QString& folder) {
    if (m_closing)
        return {};
    return m_shown.saveFileName(title, filter, folder);
}
