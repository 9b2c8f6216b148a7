// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>

// The table as the window shows it: 31 rows by 10 columns of texts and background
// colours. Row 0 and column 0 hold the headings; the cells are rows 1..30, columns 1..9.
struct AFRTableGrid {
    static constexpr int kRows = 31;
    static constexpr int kColumns = 10;

    enum class Colour {
        Window,    // the system's window background: the mixture is on target
        LightCyan, // richer than the target by more than half a ratio point
        LightRed,  // leaner than the target by more than half a ratio point
    };

    using Texts = std::array<std::array<QString, kColumns>, kRows>;
    using Colours = std::array<std::array<Colour, kColumns>, kRows>;

    Texts text{};
    Colours colour{};
};
