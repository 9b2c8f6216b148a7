// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/FieldCheck.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QWidget;

// Checks a text box when the user leaves it, the same way in every window: the box's
// check runs on the text, the box shows the checked text, and the focus goes back into
// the box when the check asks for it. A message box or another window taking the focus
// is not the user leaving the box, and the focus leaving while a check shows its own
// message does not start a second check.
class FocusValidator : public QObject {
public:
    using Check = std::function<FieldCheck(const QString& text)>;

    enum class When {
        Left, // every time the user leaves the box
        // Only when the text is no longer what the last check (or fill) left in it: the
        // check would otherwise take the rounded value shown for the one stored.
        Edited,
    };

    explicit FocusValidator(QObject* parent = nullptr);

    void watch(QLineEdit* box, Check check, When when = When::Left);
    // Records `text` as the box's unedited text (for onlyWhenEdited) and shows it.
    void fill(QLineEdit* box, const QString& text);

    // Runs the check of `box` now (Enter presses a default button without the box losing
    // the focus). True when the entry was refused and the focus stays in the box.
    bool check(QLineEdit* box);
    // The same for whichever watched box holds the focus inside `window`, if it is shown.
    bool checkFocused(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Watched {
        Check check;
        When when = When::Left;
        QString filled;
        bool hasFilled = false;
    };
    QHash<QLineEdit*, Watched> m_boxes;
    bool m_checking = false;
};
