// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/Prompter.h"

#include <memory>

class QInputDialog;
class QMessageBox;
class QWidget;

// The production prompter: Qt's message boxes, input dialog and file dialogs.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QStringList openFileNames(const QString& title, const QString& filter,
                              const QString& folder = QString()) override;
    // `path` with the extension of the dialog's chosen filter ("Picture (*.png)") when its
    // file name has none.
    static QString withChosenExtension(const QString& path, const QString& chosenFilter);
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

    // "QERO4D log files (*.log)|*.log" becomes "QERO4D log files (*.log)".
    static QString qtFilter(const QString& filter);

    // The boxes as message() and input() show them, for a look before they are shown.
    std::unique_ptr<QMessageBox> messageBox(const QString& text, const QString& title, Icon icon,
                                            Buttons buttons) const;
    std::unique_ptr<QInputDialog> inputDialog(const QString& prompt, const QString& title,
                                              const QString& defaultText) const;
    // How wide a box must be for the window manager to show `title` whole beside its
    // icon and buttons.
    static int titleWidth(const QString& title, const QWidget& box);

private:
    QWidget* m_parent = nullptr;
};
