// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FuzzInput.h"
#include "support/ScriptedPrompter.h"

#include <array>
#include <cstdlib>

// Lets the fuzz input answer the program's message boxes: each box takes one byte (from the
// back of the input) that
// picks one of the box's own buttons. Once the input is used up every box gets Abort or
// Cancel, so that no Retry can keep a command going after its bytes have run out. Input
// and file boxes are always cancelled.
namespace FuzzAnswers {

// More boxes than any one command can sensibly show: past this the command is looping.
inline constexpr qsizetype kMaxBoxes = 20000;

inline Prompter::Button closingButton(Prompter::Buttons buttons) {
    for (Prompter::Button b : {Prompter::Abort, Prompter::Cancel, Prompter::No, Prompter::Ok})
        if (buttons & b)
            return b;
    return Prompter::Ok;
}

inline Prompter::Button pick(Prompter::Buttons buttons, quint8 choice) {
    std::array<Prompter::Button, 7> offered{};
    int n = 0;
    for (Prompter::Button b : {Prompter::Ok, Prompter::Cancel, Prompter::Abort, Prompter::Retry,
                               Prompter::Ignore, Prompter::Yes, Prompter::No})
        if (buttons & b)
            offered[size_t(n++)] = b;
    return n == 0 ? Prompter::Ok : offered[size_t(choice % n)];
}

inline void attach(ScriptedPrompter& prompter, FuzzInput& input) {
    prompter.onBox = [&prompter, &input](const ScriptedPrompter::Box& box) {
        if (prompter.boxes().size() > kMaxBoxes)
            std::abort(); // the program keeps asking: a loop the user could not leave
        if (box.kind != ScriptedPrompter::Box::Message)
            return;
        if (input.empty())
            prompter.answerButton(closingButton(box.buttons));
        else
            prompter.answerButton(pick(box.buttons, input.back()));
    };
}

} // namespace FuzzAnswers
