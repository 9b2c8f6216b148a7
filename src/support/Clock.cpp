// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Clock.h"

#include "support/QeroFailure.h"

#include <limits>

void DelayTimer(Clock& clock, qint32 ms) {
    const qint64 us = qint64(ms) * 1000;
    if (us > std::numeric_limits<qint32>::max() || us < std::numeric_limits<qint32>::min())
        throw QeroFailure(QStringLiteral("DelayTimer"), QStringLiteral("Overflow"));
    const qint64 deadline = clock.nowUs() + us;
    // Resting between the passes rather than spinning: on a busy machine a spinning
    // wait is pre-empted for whole time slices and overshoots by milliseconds, while
    // one that sleeps is woken on time.
    do {
        clock.processEventsFor(deadline - clock.nowUs());
    } while (clock.nowUs() < deadline);
}
