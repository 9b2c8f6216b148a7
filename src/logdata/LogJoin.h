// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QString>

// Joins the wideband's log with the engine computer's log of the same drive. Both log
// engine speed: the time offset between them is where the two engine-speed traces agree
// best, found coarse to fine by normalised cross-correlation (1 s steps over every
// overlap, then 0.1 s, then a tenth of the finer log's interval), and on logs long enough
// to show one (ten minutes), the rate at which one clock runs against the other, from the
// offsets of the log's quarters. How well the traces match is their correlation at the
// offset (0 to 1); a match below the threshold is refused rather than joined wrongly.
//
// Direct correlation rather than an FFT: the coarse pass over two 20-minute logs at 1 Hz
// is a few million multiplications, far under the time limit, with no library to carry and
// every lag's overlap normalised on its own (an FFT correlates the zero-padded whole).
namespace LogJoin {

// Engine time = offset + rate × wideband time.
struct Match {
    double offset = 0.0; // seconds
    double rate = 1.0;
    double score = 0.0; // 0 to 1
    bool accepted = false;
    QString reason; // why it was refused, for the user
};

// Below this the traces are taken for two different drives.
inline constexpr double kMinScore = 0.8;
// The overlap a match needs, in seconds and as a share of the shorter log.
inline constexpr double kMinOverlapSeconds = 30.0;
inline constexpr double kMinOverlapShare = 0.5;

Match find(const Log& wideband, const Log& engine, double minScore = kMinScore);

// The wideband's log with every channel of the engine log (but its time) at the same
// instant, linear between the engine's samples, missing outside it, after the wideband's
// own (which are so found first). A channel whose name the wideband log already has gets
// "ECU " in front; the engine's own ratios lose their sensor number, so the wideband's stay
// the sensors.
Log join(const Log& wideband, const Log& engine, const Match& match);

} // namespace LogJoin
