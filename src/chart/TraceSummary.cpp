#include "chart/TraceSummary.h"

void TraceSummary::clear() {
    m_usable = false;
    m_count = 0;
    for (std::vector<Block>& level : m_levels)
        level.clear();
}
