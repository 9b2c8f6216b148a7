// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class Clock;
class RealTimeCommands;
class RealTimeDisplay;
struct AppState;

// One polling cycle per timer tick while the real-time view is open: the AFR bytes
// first, then RPM, analog input, battery, both cell resistances and, on the models that
// have it, the ethanol content, each handed to the display as soon as it is read.
// Window events run between the reads, so Esc or a command that closes the view ends
// the cycle at its next check.
class RealTimePoller {
public:
    enum class Tick {
        Skipped,  // a cycle was still running: the port is never shared
        Idle,     // the view is closed
        Complete, // every value was read
        Stopped,  // Esc or a closed view ended the cycle early
        LinkLost, // the AFR read failed: display reset and view closed
    };

    RealTimePoller(AppState& state, RealTimeCommands& commands, Clock& clock,
                   RealTimeDisplay& display, std::function<void()> closeView);

    Tick tmrDataRead_Timer();
    bool cycleRunning() const { return m_running; }

private:
    Tick cycle();
    // Lets events run, then tells whether the cycle may go on.
    bool mayGoOn();

    AppState& m_state;
    RealTimeCommands& m_commands;
    Clock& m_clock;
    RealTimeDisplay& m_display;
    std::function<void()> m_closeView;
    bool m_running = false;
};
