// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The outcome of checking what was typed into a number or text box, as every window and
// the CLI get it: what to keep, what the box shows now, the refusal if there was one, and
// whether the focus goes back into the box so the user can correct the entry.
struct FieldCheck {
    double value = 0;       // the value taken (already rounded and within bounds)
    QString text;           // what the box shows afterwards
    QString message;        // the refusal, empty when the entry was accepted as typed
    bool keepFocus = false; // the box takes the focus back

    bool refused() const { return !message.isEmpty(); }
};
