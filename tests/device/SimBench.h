// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QeroModule.h"
#include "SimulatedLink.h"
#include "device/LineErrorHandler.h"
#include "device/ModuleProtocol.h"
#include "logdata/AppState.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QList>

// A module on the virtual clock with the protocol on top, as the program wires them.
struct SimBench {
    AppState state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    QeroModule module;
    SimulatedLink link{module, clock};
    LineErrorHandler lineErrors{state.module, state.window, link, prompter};
    ModuleProtocol protocol{state.module, state.fram, state.settings, link, clock, prompter};

    QList<int> sentBytes() const {
        QList<int> out;
        for (const auto& s : link.sent())
            out << s.byte;
        return out;
    }
};
