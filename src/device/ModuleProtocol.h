// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/ModuleVocabulary.h"
#include "support/ErrorReport.h"

#include <QString>
#include <QtGlobal>

#include <initializer_list>

class Clock;
class Prompter;
class SerialLink;
struct FramImage;
struct ModuleStatus;
struct SettingsValues;

// The module's byte commands (their bytes are in ModuleVocabulary). Each command reports through
// `CommandOK` (False while it runs, True on success) and leaves the port open or closed as its
// table entry says. Time-outs are shown through the common error report, whose Retry shows it
// again.
class ModuleProtocol {
public:
    static constexpr qint64 kReplyLimitUs = 1'000'000;
    static constexpr qint64 kEraseLimitUs = 10'000'000;
    static constexpr int kPauseMs = 2;
    // How often the opening sends ReSync before it gives the link up.
    static constexpr int kResyncTries = 5;

    // `settings` gives the port to open (PortNumber), which the port setup may change
    // between commands; `fram` receives block reads.
    ModuleProtocol(ModuleStatus& module, FramImage& fram, const SettingsValues& settings,
                   SerialLink& link, Clock& clock, Prompter& prompter);

    // ReSync -> Ack. Silent: no answer within 1 s or a wrong answer only leaves CommandOK False.
    void ReSync();
    // ReSync until it succeeds, at most `tries` times; the result is CommandOK.
    bool ReSyncUpTo(int tries = kResyncTries);
    // ReadFirmwareID -> text up to EndOfId; sets FirmwareID and QEROVersion; closes the port.
    void ReadFirmwareID();
    // SetAddress, low, high -> Ack. `address` 0 to 65535.
    void SetAddress(qint32 address);
    // ReadFRAM -> the byte at the module's address pointer, which then moves on by one.
    quint8 ReadFRAM();
    // ReadFRAMBlock, n -> n bytes into FRAMBlock(0 to n-1); n from 1 to kMaxBlock.
    void ReadFRAMBlock(int count);
    // WriteFRAM, value -> Ack; closes the port.
    void WriteFRAM(quint8 value);
    // ClearQEROBuffer, its guard -> Ack within 10 s (the module erases its log); closes the port.
    void ClearQEROBuffer();
    // ResetQERO, its guard -> Ack; closes the port.
    void ResetQERO();

    // How the opening of a conversation ended.
    enum class Opening {
        NoLink,     // no ReSync was answered; the port is closed
        IdFailed,   // the identification did not come (CommandOK False)
        IdEmpty,    // it came, but empty
        Identified, // FirmwareID and QEROVersion are set; the port is closed
    };
    // Every conversation with the module starts the same way: ReSync until it is answered
    // (at most `tries` times), then ReadFirmwareID. With `stayOnOpenPort` the tries stop
    // when the port closes under them, so that a port being probed is never swapped for
    // PortNumber by the next try reopening it.
    Opening OpenConversation(int tries = kResyncTries, bool stayOnOpenPort = false);

    // "QERO4D Rev 3", "QERO3Dual Rev 2", ... or "Unknown", from an identification text.
    static QString versionFromId(const QString& firmwareId);

    // One command on the wire: the frame shared by every module command, for commands
    // built on top of this class (the live-value reads). Holding an Exchange marks the
    // port as taken; a second command started from an event that runs inside a wait of
    // the first finds it taken and ends at once with CommandOK False, sending nothing.
    class Exchange {
    public:
        // Sets CommandOK False.
        explicit Exchange(ModuleProtocol& protocol);
        ~Exchange();
        Exchange(const Exchange&) = delete;
        Exchange& operator=(const Exchange&) = delete;

        // False when another command already holds the port.
        bool active() const { return m_owner; }

        // Opens the port if closed (with PortNumber; a failure to open goes to the error
        // report, whose Retry tries again), clears the receive buffer and sends `bytes`
        // with a 2 ms pause after every byte but the last. False when nothing was sent.
        bool send(std::initializer_list<quint8> bytes);
        // Waits until `count` bytes are waiting or `limitUs` has passed; with
        // `letEventsRun`, window events run on every pass. True when they all came.
        bool await(int count, qint64 limitUs = kReplyLimitUs, bool letEventsRun = false);
        quint8 take();
        // The time-out report: "RS-232 timeout. Check cable and click Abort." until
        // Abort or Ignore is chosen; returns that choice. The port is left as it is.
        ErrorReport::Choice reportTimeout();
        // Close the port, then the report; Abort also closes (it is already closed).
        void failTimeout();

    private:
        ModuleProtocol& m_p;
        bool m_owner = false;
    };

    bool busy() const { return m_busy; }
    void pause(); // DelayTimer of 2 ms
    SerialLink& link() { return m_link; }
    ModuleStatus& module() { return m_module; }
    FramImage& fram() { return m_fram; }
    const SettingsValues& settings() const { return m_settings; }
    Clock& clock() { return m_clock; }
    Prompter& prompter() { return m_prompter; }

private:
    ModuleStatus& m_module;
    FramImage& m_fram;
    const SettingsValues& m_settings;
    SerialLink& m_link;
    Clock& m_clock;
    Prompter& m_prompter;
    bool m_busy = false;
};
