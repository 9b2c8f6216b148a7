// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <array>
#include <optional>

// Finds the sample nearest in time to a clicked time by binary search. The times are
// sorted once (by index order for equal times), so a buffer whose later entries still
// hold an older log's times is searched correctly too.
class ChartSampleFinder {
public:
    explicit ChartSampleFinder(const LogBuffer::Samples& elapsedTime);

    // The 0-based index of the nearest sample; the earlier one on a tie. Nothing for a
    // time that is not a number.
    std::optional<int> nearest(double time) const;

    // The sample `steps` places later (earlier when negative) in time order than sample
    // `index`, stopping at the first and last samples that have a time.
    std::optional<int> step(int index, int steps) const;
    std::optional<int> first() const;
    std::optional<int> last() const;

private:
    const LogBuffer::Samples& m_time;
    std::array<int, LogBuffer::kSamples> m_order{};
    std::array<int, LogBuffer::kSamples> m_rank{}; // position of each sample in m_order
    int m_timed = 0;                               // samples whose time is a number
};
