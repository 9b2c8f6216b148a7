// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedPrompter.h"

namespace {

Prompter::Button defaultAnswer(Prompter::Buttons buttons) {
    if (buttons & Prompter::Ignore)
        return Prompter::Ignore;
    if (buttons & Prompter::Cancel)
        return Prompter::Cancel;
    if (buttons & Prompter::Ok)
        return Prompter::Ok;
    if (buttons & Prompter::No)
        return Prompter::No;
    return Prompter::Ok;
}

} // namespace

Prompter::Button ScriptedPrompter::message(const QString& text, const QString& title, Icon icon,
                                           Buttons buttons) {
    Box box;
    box.kind = Box::Message;
    box.text = text;
    box.title = title;
    box.icon = icon;
    box.buttons = buttons;
    if (onBox)
        onBox(box);
    Button answer = defaultAnswer(buttons);
    if (!m_buttons.empty()) {
        answer = m_buttons.front();
        m_buttons.pop_front();
    }
    box.answer = buttonName(answer);
    m_boxes.append(box);
    return answer;
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString& defaultText) {
    Box box;
    box.kind = Box::Input;
    box.text = prompt;
    box.title = title;
    box.defaultText = defaultText;
    if (onBox)
        onBox(box);
    std::optional<QString> answer; // cancel when unscripted
    if (!m_inputs.empty()) {
        answer = m_inputs.front();
        m_inputs.pop_front();
    }
    box.answer = answer.value_or(QString());
    m_boxes.append(box);
    return answer;
}

QString ScriptedPrompter::fileName(Box::Kind kind, const QString& title, const QString& filter,
                                   const QString& folder) {
    Box box;
    box.kind = kind;
    box.title = title;
    box.text = filter;
    box.folder = folder;
    if (onBox)
        onBox(box);
    QString answer;
    if (!m_files.empty()) {
        answer = m_files.front();
        m_files.pop_front();
    }
    box.answer = answer;
    m_boxes.append(box);
    return answer;
}

QStringList ScriptedPrompter::openFileNames(const QString& title, const QString& filter,
                                            const QString& folder) {
    const QString answer = fileName(Box::OpenFile, title, filter, folder);
    return answer.isEmpty() ? QStringList() : answer.split(u'\n');
}

QString ScriptedPrompter::openFileName(const QString& title, const QString& filter,
                                       const QString& folder) {
    return fileName(Box::OpenFile, title, filter, folder);
}

QString ScriptedPrompter::saveFileName(const QString& title, const QString& filter,
                                       const QString& folder) {
    return fileName(Box::SaveFile, title, filter, folder);
}

QList<ScriptedPrompter::Box> ScriptedPrompter::messages() const {
    QList<Box> out;
    for (const Box& b : m_boxes)
        if (b.kind == Box::Message)
            out.append(b);
    return out;
}

QStringList ScriptedPrompter::messageTexts() const {
    QStringList out;
    for (const Box& b : m_boxes)
        if (b.kind == Box::Message)
            out.append(b.text);
    return out;
}
