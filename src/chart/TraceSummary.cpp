// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/TraceSummary.h"

void TraceSummary::clear() {
    m_usable = false;
    for (std::vector<Block>& level : m_levels)
        level.clear();
}
