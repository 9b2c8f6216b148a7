// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

// Stands in front of the program's prompter while a command talks to the module. Once
// the user has closed the main window, the command is only winding down: its messages
// ("download failed", an error report) would keep a program the user has left waiting
// for a click, so they are answered at once with the button that stops (Abort, else
// Cancel, else No, else OK) and nothing is shown.
class ClosingPrompter : public Prompter {
public:
    explicit ClosingPrompter(Prompter& shown) : m_shown(shown) {}

    void setClosing(bool closing) { m_closing = closing; }
    bool closing() const { return m_closing; }

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

private:
    Prompter& m_shown;
    bool m_closing = false;
};
