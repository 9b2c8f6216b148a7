// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FocusValidator.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

FocusValidator::FocusValidator(QObject* parent) : QObject(parent) {}

void FocusValidator::watch(QLineEdit* box, Check check, When when) {
    m_boxes.insert(box, Watched{std::move(check), when, {}, false});
    box->installEventFilter(this);
}

void FocusValidator::fill(QLineEdit* box, const QString& text) {
    box->setText(text);
    const auto it = m_boxes.find(box);
    if (it != m_boxes.end()) {
        it->filled = text;
        it->hasFilled = true;
    }
}

bool FocusValidator::check(QLineEdit* box) {
    const auto it = m_boxes.find(box);
    // The message box of a refused entry takes the focus itself; that must not start a
    // second check. A box switched off has nothing the user can correct.
    if (it == m_boxes.end() || m_checking || !box->isEnabled())
        return false;
    if (it->when == When::Edited && it->hasFilled && it->filled == box->text())
        return false;
    m_checking = true;
    const FieldCheck checked = it->check(box->text());
    m_checking = false;
    fill(box, checked.text);
    if (checked.keepFocus)
        QTimer::singleShot(0, box, [box] { box->setFocus(Qt::OtherFocusReason); });
    return checked.keepFocus;
}

bool FocusValidator::checkFocused(QWidget* window) {
    auto* box = qobject_cast<QLineEdit*>(window->focusWidget());
    if (!box || box->isHidden() || !m_boxes.contains(box))
        return false;
    return check(box);
}

bool FocusValidator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            if (auto* box = qobject_cast<QLineEdit*>(watched))
                check(box);
    }
    return QObject::eventFilter(watched, event);
}
