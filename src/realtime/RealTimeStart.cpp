// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealTimeStart.h"

#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/AppState.h"
#include "support/Prompter.h"

namespace RealTimeStart {

void prepare(AppState& state, ModuleProtocol& protocol, Prompter& prompter) {
    const QString title = QStringLiteral("View Real Time Data");
    state.log.ClearDataBuffer();
    state.fram.ClearFRAMBuffer();

    if (protocol.OpenConversation() != ModuleProtocol::Opening::NoLink) {
        // An empty identification reads as an unknown version.
        if (!state.module.CommandOK || state.module.QEROVersion == QLatin1String("Unknown")) {
            prompter.message(
                QStringLiteral("Error - invalid firmware ID. Unable to identify QERO version.\n"
                               "Defaulting to QERO Dual Channel Rev 2.0. Some data may be "
                               "missing or incorrectly scaled."),
                title, Prompter::Icon::Exclamation, Prompter::Ok);
            state.module.QEROVersion = QStringLiteral("QERO4D Rev 2");
        }
    } else {
        // The view opens all the same; its first poll finds the link dead and closes it.
        prompter.message(
            QStringLiteral("Cannot establish RS-232 link. Check cable and module power."), title,
            Prompter::Icon::Exclamation, Prompter::Ok);
    }
    protocol.ResetQERO();
}

} // namespace RealTimeStart
