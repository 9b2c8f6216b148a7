#pragma once

#include "support/Prompter.h"

class QTextStream;

// The prompter of the command-line program: every box is written as a line of text to
// the diagnostics stream and answered without a person. An error report is answered
// with Abort, a Retry/Cancel box with Cancel, a question with its cancelling answer.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(QTextStream& diagnostics);

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

private:
    QTextStream& m_out;
};
