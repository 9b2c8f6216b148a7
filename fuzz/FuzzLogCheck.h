// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogReader.h"

#include <algorithm>
#include <cstdlib>

// What every reader of outside logs promises whatever the bytes: a log whose channels are
// as long as its time axis, marks on that axis, or an error; and no control character in
// any text it hands the user.
inline bool holdsControl(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

inline void checkLogResult(const LogReadResult& r) {
    if (r.ok() == !r.error.isEmpty())
        std::abort();
    if (holdsControl(r.error))
        std::abort();
    for (const QString& w : r.warnings)
        if (holdsControl(w))
            std::abort();
    if (!r.log)
        return;
    for (const LogChannel& c : r.log->channels)
        if (c.values.size() != r.log->rows())
            std::abort();
    if (r.log->empty()) {
        if (!r.log->marks.empty())
            std::abort();
        return;
    }
    double lo = r.log->time.front();
    double hi = lo;
    for (double t : r.log->time) {
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    for (const LogMark& m : r.log->marks)
        if (!(m.time >= lo && m.time <= hi))
            std::abort();
}
