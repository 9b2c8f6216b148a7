// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <QString>

class QTextStream;

// The prompter of the command-line program: every box is written as a line of text to
// the diagnostics stream and answered without a person. An error report is answered
// with Abort, a Retry/Cancel box with Cancel, a question with its cancelling answer.
//
// Every line is escaped as log readers escape outside text (a module's ID or a file's
// header may hold ESC or BEL), and a message repeated word for word (a port that cannot
// be opened, asked at every step) is printed once, with the count of repeats after it.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(QTextStream& diagnostics);
    ~ConsolePrompter() override;
    ConsolePrompter(const ConsolePrompter&) = delete;
    ConsolePrompter& operator=(const ConsolePrompter&) = delete;

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

private:
    void print(const QString& line);
    void flushRepeats();

    QTextStream& m_out;
    QString m_last;
    int m_repeats = 0;
};
