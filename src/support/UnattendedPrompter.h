// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <cstdio>

// The prompter of a run nobody watches (the start-up smoke test): every message is
// printed to a stream and answered with the button that goes on (Ignore, else OK, else
// No, else the first), every input and file dialog is cancelled. Nothing waits for a
// click that cannot come.
class UnattendedPrompter : public Prompter {
public:
    explicit UnattendedPrompter(std::FILE* out = stderr) : m_out(out) {}

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

private:
    std::FILE* m_out;
};
