// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/Log.h"

#include <QString>

#include <memory>
#include <vector>

// A condition on the channels a log carries, as tuners write them: `CLT > 70`,
// `"Accel Enrich" == 100 or rate(TPS) < 50`, `not (DFCO == 1)`. A channel is named as the
// log names it (letter case ignored; in double quotes when the name holds blanks or
// symbols); `rate(NAME)` is its change per second. Comparisons are < <= > >= == != against
// a number; `and` binds before `or`; `not` and parentheses as usual. A sample is kept where
// the condition holds; where a channel it names has no value, the condition does not hold.
//
// A small grammar of its own rather than an expression library: the conditions tuners
// write need no more, every message can name the log's channels, and it evaluates a
// million rows column by column.
class ChannelFilter {
public:
    ChannelFilter();
    ~ChannelFilter();
    ChannelFilter(ChannelFilter&&) noexcept;
    ChannelFilter& operator=(ChannelFilter&&) noexcept;

    // Throws TuningInputError naming the place of a syntax error.
    static ChannelFilter parse(const QString& text);

    const QString& text() const { return m_text; }
    // The channel names the condition reads.
    std::vector<QString> channelNames() const;

    // For each row of `log`, whether the condition holds. Throws TuningInputError when the
    // log has no channel of a name the condition reads, listing the log's channels.
    std::vector<bool> evaluate(const Log& log) const;

    struct Node;

private:
    QString m_text;
    std::unique_ptr<Node> m_root;
};
