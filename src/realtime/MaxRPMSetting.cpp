// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/MaxRPMSetting.h"

#include "logdata/LogBuffer.h"
#include "logdata/SettingsTable.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/SettingsStore.h"

#include <cmath>

void MaxRPMSetting::ask(Prompter& prompter, LogBuffer& log, SettingsStore& store) {
    // The answer is judged before it is narrowed to 16 bits, so "99999" is asked again
    // instead of wrapping round into range or overflowing.
    double value = log.MaxRPMDisplay;
    do {
        const std::optional<QString> answer =
            prompter.input(QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
                           QStringLiteral("Maximum RPM"), QString::number(value, 'f', 0));
        if (answer && !answer->isEmpty())
            value = std::floor(Numbers::leadingNumber(*answer));
    } while (!(value >= kMin && value <= kMax));
    log.MaxRPMDisplay = qint16(value);
    SettingsTable::save(store, QStringLiteral("MaxRPMDisplay"), int(log.MaxRPMDisplay));
}
