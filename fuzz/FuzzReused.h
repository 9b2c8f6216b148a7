// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A big object (the log buffer, or the program state with its memory image) kept between
// runs and reset from a pristine copy: built anew for every input, ASan would map and
// clear fresh memory each time, which took more time than the code under test. Each Slot
// is a separate object, for a target that needs two at once.
template <typename T, int Slot = 0> T& reusedFresh() {
    static const T pristine;
    static T object;
    object = pristine;
    return object;
}
