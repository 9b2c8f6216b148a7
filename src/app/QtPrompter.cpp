#include "app/QtPrompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

struct ButtonMap {
    Prompter::Button ours;
    QMessageBox::StandardButton qt;
};

const ButtonMap kButtons[] = {
    {Prompter::Ok, QMessageBox::Ok},           {Prompter::Cancel, QMessageBox::Cancel},
    {Prompter::Abort, QMessageBox::Abort},     {Prompter::Retry, QMessageBox::Retry},
    {Prompter::Ignore, QMessageBox::Ignore},   {Prompter::Yes, QMessageBox::Yes},
    {Prompter::No, QMessageBox::No},           {Prompter::Save, QMessageBox::Save},
    {Prompter::Discard, QMessageBox::Discard},
};

} // namespace

Prompter::Button QtPrompter::message(const QString& text, const QString& title, Icon icon,
                                     Buttons buttons) {
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == NoButton)
        buttons = Ok;
    QMessageBox::StandardButtons qtButtons;
    for (const ButtonMap& m : kButtons)
        if (buttons & m.ours)
            qtButtons |= m.qt;
    box.setStandardButtons(qtButtons);
    const int result = box.exec();
    for (const ButtonMap& m : kButtons)
        if (result == m.qt)
            return m.ours;
    // Closed with the window's close box or Esc: Cancel where offered, else the first.
    if (buttons & Cancel)
        return Cancel;
    for (const ButtonMap& m : kButtons)
        if (buttons & m.ours)
            return m.ours;
    return Ok;
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& title,
                                         const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtPrompter::qtFilter(const QString& filter) {
    const QString f = filter.isEmpty() ? QStringLiteral("All Files (*.*)|*.*") : filter;
    const QStringList parts = f.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out.append(parts[i].contains(u'(') ? parts[i]
                                           : parts[i] + QStringLiteral(" (") + parts[i + 1] + u')');
    if (out.isEmpty())
        out.append(f);
    return out.join(QStringLiteral(";;"));
}

QString QtPrompter::openFileName(const QString& title, const QString& filter,
                                 const QString& folder) {
    return QFileDialog::getOpenFileName(m_parent, title, folder, qtFilter(filter));
}

QString QtPrompter::saveFileName(const QString& title, const QString& filter,
                                 const QString& folder) {
    // The caller asks before overwriting, with its own wording.
    return QFileDialog::getSaveFileName(m_parent, title, folder, qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}
