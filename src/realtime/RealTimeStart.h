// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ModuleProtocol;
class Prompter;
struct AppState;

// What opening the real-time view does before the gauges appear: the log in memory is
// discarded, the link is checked, the model identified (an unknown one is treated as a
// QERO4D Rev 2) and the module restarted.
namespace RealTimeStart {

void prepare(AppState& state, ModuleProtocol& protocol, Prompter& prompter);

} // namespace RealTimeStart
