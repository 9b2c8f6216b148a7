// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <QList>

#include <deque>
#include <functional>

// A prompter that answers from a script and records every box it was shown.
// Used by the tests and by anything that runs the windows' logic without a person.
class ScriptedPrompter : public Prompter {
public:
    struct Box {
        enum Kind { Message, Input, OpenFile, SaveFile } kind = Message;
        QString text;
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = NoButton;
        QString defaultText;
        QString answer; // button name, or the text/path returned
        QString folder; // where a file dialog started
    };

    // Answers are taken in order; when the script runs out, a message box gets its
    // default answer (OK, Cancel for OK/Cancel boxes, Ignore for error reports).
    void answerButton(Button b) { m_buttons.push_back(b); }
    void answerInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }
    void answerFile(QString path) { m_files.push_back(std::move(path)); }
    // A dialog that takes several files is answered with all of them at once.
    void answerFiles(const QStringList& paths) { m_files.push_back(paths.join(u'\n')); }

    // Called whenever a box is shown, before it is answered (to act "during" a box).
    std::function<void(const Box&)> onBox;

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QStringList openFileNames(const QString& title, const QString& filter,
                              const QString& folder = QString()) override;

    const QList<Box>& boxes() const { return m_boxes; }
    QList<Box> messages() const;
    QStringList messageTexts() const;
    void clear() { m_boxes.clear(); }
    int pendingAnswers() const { return int(m_buttons.size() + m_inputs.size() + m_files.size()); }

private:
    QString fileName(Box::Kind kind, const QString& title, const QString& filter,
                     const QString& folder);

    std::deque<Button> m_buttons;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<QString> m_files;
    QList<Box> m_boxes;
};
