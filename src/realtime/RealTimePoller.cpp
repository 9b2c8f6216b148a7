// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealTimePoller.h"

#include "device/ModuleProtocol.h"
#include "device/SerialLink.h"
#include "logdata/AppState.h"
#include "realtime/GaugeSetup.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDecoding.h"
#include "realtime/RealTimeDisplay.h"
#include "support/Clock.h"

RealTimePoller::RealTimePoller(AppState& state, RealTimeCommands& commands, Clock& clock,
                               RealTimeDisplay& display, std::function<void()> closeView)
    : m_state(state), m_commands(commands), m_clock(clock), m_display(display),
      m_closeView(std::move(closeView)) {}

RealTimePoller::Tick RealTimePoller::tmrDataRead_Timer() {
    // A tick that arrives while a cycle waits inside one of its yields must not start a
    // second conversation on the port. It leaves AbortRequested alone too, so an Esc
    // pressed meanwhile still ends the running cycle.
    if (m_running)
        return Tick::Skipped;
    m_state.window.AbortRequested = false;
    if (!m_state.window.RealTimeActive)
        return Tick::Idle;
    m_running = true;
    const Tick result = cycle();
    m_running = false;
    return result;
}

bool RealTimePoller::mayGoOn() {
    m_clock.processEvents();
    return !m_state.window.AbortRequested && m_state.window.RealTimeActive;
}

RealTimePoller::Tick RealTimePoller::cycle() {
    RealTimeCommands& c = m_commands;
    c.ReadAFR();
    if (!m_state.module.CommandOK) {
        m_display.resetDisplay();
        c.protocol().link().closeIfOpen();
        if (m_closeView)
            m_closeView();
        m_state.window.RealTimeActive = false;
        return Tick::LinkLost;
    }

    const float afr1 = RealTimeDecoding::afrFromRaw(int(c.AFRRaw1));
    const float afr2 = RealTimeDecoding::afrFromRaw(int(c.AFRRaw2));
    const float stoich = m_state.log.StoichRatio;
    m_display.showSensors(
        int(c.AFRRaw1), int(c.AFRRaw2), RealTimeDecoding::lambdaFromAFR(afr1),
        RealTimeDecoding::lambdaFromAFR(afr2), RealTimeDecoding::fuelAFR(afr1, stoich),
        RealTimeDecoding::fuelAFR(afr2, stoich), !GaugeSetup::isLambdaFuel(m_state.log.FuelType));

    if (!mayGoOn())
        return Tick::Stopped;
    m_display.showRPM(c.ReadRPM());
    if (!mayGoOn())
        return Tick::Stopped;
    const float volts = c.ReadVIN1();
    m_display.showAnalog(volts, RealTimeDecoding::scaledAnalog(m_state.log, volts));
    if (!mayGoOn())
        return Tick::Stopped;
    m_display.showBattery(c.ReadHeaterVolts());
    if (!mayGoOn())
        return Tick::Stopped;
    m_display.showCellResistance1(c.ReadCellRes1());
    if (!mayGoOn())
        return Tick::Stopped;
    m_display.showCellResistance2(c.ReadCellRes2());
    if (GaugeSetup::hasEthanolSensor(m_state.module.QEROVersion)) {
        if (!mayGoOn())
            return Tick::Stopped;
        m_display.showEthanol(RealTimeDecoding::ethanolPercent(c.ReadESENS()));
    }
    return Tick::Complete;
}
