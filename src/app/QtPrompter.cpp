// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

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

int QtPrompter::titleWidth(const QString& title, const QWidget& box) {
    // The title bar's font is the window manager's; the application's bold font is as wide
    // as the common ones. Its window icon and three buttons take about 140 pixels more.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font, &box).horizontalAdvance(title) + 140;
}

std::unique_ptr<QMessageBox> QtPrompter::messageBox(const QString& text, const QString& title,
                                                    Icon icon, Buttons buttons) const {
    auto box = std::make_unique<QMessageBox>(m_parent);
    box->setWindowTitle(title);
    box->setText(text);
    switch (icon) {
    case Icon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == NoButton)
        buttons = Ok;
    QMessageBox::StandardButtons qtButtons;
    for (const ButtonMap& m : kButtons)
        if (buttons & m.ours)
            qtButtons |= m.qt;
    box->setStandardButtons(qtButtons);
    // A message box sizes itself to its text; a short text under a long title would cut
    // the title ("Uplo...eters"). A spacer across the box's grid keeps the width.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(
            new QSpacerItem(titleWidth(title, *box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

Prompter::Button QtPrompter::message(const QString& text, const QString& title, Icon icon,
                                     Buttons buttons) {
    if (buttons == NoButton)
        buttons = Ok;
    const std::unique_ptr<QMessageBox> box = messageBox(text, title, icon, buttons);
    const int result = box->exec();
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

std::unique_ptr<QInputDialog> QtPrompter::inputDialog(const QString& prompt, const QString& title,
                                                      const QString& defaultText) const {
    auto dialog = std::make_unique<QInputDialog>(m_parent);
    dialog->setWindowTitle(title);
    dialog->setLabelText(prompt);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(defaultText);
    // The dialog's layout fixes its size limits, so the width is kept there; asking for
    // the size hint makes the dialog build that layout now.
    const int width = titleWidth(title, *dialog);
    (void)dialog->sizeHint();
    if (QLayout* layout = dialog->layout())
        layout->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
    else
        dialog->setMinimumWidth(width);
    return dialog;
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& title,
                                         const QString& defaultText) {
    const std::unique_ptr<QInputDialog> dialog = inputDialog(prompt, title, defaultText);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->textValue();
}

QString QtPrompter::withChosenExtension(const QString& path, const QString& chosenFilter) {
    // "Picture (*.png)": a name typed without an extension gets the type chosen in the
    // dialog, as File > Save adds ".log"; a filter of several patterns adds nothing.
    static const QRegularExpression single(QStringLiteral("\\(\\*\\.([A-Za-z0-9_]+)\\)\\s*$"));
    const QRegularExpressionMatch match = single.match(chosenFilter);
    if (path.isEmpty() || !match.hasMatch() || QFileInfo(path).fileName().contains(u'.'))
        return path;
    return path + u'.' + match.captured(1);
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

QStringList QtPrompter::openFileNames(const QString& title, const QString& filter,
                                      const QString& folder) {
    return QFileDialog::getOpenFileNames(m_parent, title, folder, qtFilter(filter));
}

QString QtPrompter::saveFileName(const QString& title, const QString& filter,
                                 const QString& folder) {
    // The caller asks before overwriting, with its own wording.
    QString chosen;
    QString path = QFileDialog::getSaveFileName(m_parent, title, folder, qtFilter(filter), &chosen,
                                                QFileDialog::DontConfirmOverwrite);
    return withChosenExtension(path, chosen);
}
