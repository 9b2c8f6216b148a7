// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every message box, input box, file dialog and printer choice goes through this seam.
// The windows show real dialogs; tests script the answers and record every box.
class Prompter {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum Button : unsigned {
        NoButton = 0,
        Ok = 1 << 0,
        Cancel = 1 << 1,
        Abort = 1 << 2,
        Retry = 1 << 3,
        Ignore = 1 << 4,
        Yes = 1 << 5,
        No = 1 << 6,
        Save = 1 << 7,
        Discard = 1 << 8,
    };
    using Buttons = unsigned;

    virtual ~Prompter() = default;

    // A modal message box; returns the button pressed (closing the box counts as the
    // Cancel button where there is one, else as the first button).
    virtual Button message(const QString& text, const QString& title, Icon icon,
                           Buttons buttons) = 0;

    // A text-entry box; std::nullopt when cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;

    // File dialogs; `filter` is in the "Description (*.ext)|*.ext" form, `folder` the one
    // the dialog starts in (empty: the dialog's own choice). Empty when the dialog was
    // cancelled.
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& folder = QString()) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& folder = QString()) = 0;
    // An open dialog in which several files can be chosen at once; empty when cancelled.
    // Where a prompter offers no such dialog, the one-file dialog stands in.
    virtual QStringList openFileNames(const QString& title, const QString& filter,
                                      const QString& folder = QString()) {
        const QString path = openFileName(title, filter, folder);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }

    static QString buttonName(Button b);
    static QString iconName(Icon i);
};
