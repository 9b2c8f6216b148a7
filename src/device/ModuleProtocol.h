#pragma once

#include "support/ErrorReport.h"

#include <QString>
#include <QtGlobal>

#include <initializer_list>

class Clock;
class Prompter;
class SerialLink;
struct AppState;

// The module's byte commands. Each command reports through `CommandOK` (False while it
// runs, True on success) and leaves the port open or closed as its table entry says.
// Time-outs are shown through the common error report, whose Retry shows it again.
class ModuleProtocol {
public:
    static constexpr quint8 kAck = 6;
    static constexpr qint64 kReplyLimitUs = 1'000'000;
    static constexpr qint64 kEraseLimitUs = 10'000'000;
    static constexpr int kPauseMs = 2;
    static constexpr int kMaxBlock = 64;

    ModuleProtocol(AppState& state, SerialLink& link, Clock& clock, Prompter& prompter);

    // 51 -> 6. Silent: no answer within 1 s or a wrong answer only leaves CommandOK False.
    void ReSync();
    // ReSync until it succeeds, at most `tries` times; the result is CommandOK.
    bool ReSyncUpTo(int tries = 5);
    // 16 -> text up to a carriage return; sets FirmwareID and QEROVersion; closes the port.
    void ReadFirmwareID();
    // 20, low, high -> 6. `address` 0 to 65535.
    void SetAddress(qint32 address);
    // 30 -> the byte at the module's address pointer, which then moves on by one.
    quint8 ReadFRAM();
    // 48, n -> n bytes into FRAMBlock(0 to n-1); n from 1 to 64.
    void ReadFRAMBlock(int count);
    // 31, value -> 6; closes the port.
    void WriteFRAM(quint8 value);
    // 49, 105, 52, 191, 59 -> 6 within 10 s (the module erases its log); closes the port.
    void ClearQEROBuffer();
    // 52, 151, 102, 147, 184 -> 6; closes the port.
    void ResetQERO();

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
    AppState& state() { return m_state; }
    Clock& clock() { return m_clock; }
    Prompter& prompter() { return m_prompter; }

private:
    AppState& m_state;
    SerialLink& m_link;
    Clock& m_clock;
    Prompter& m_prompter;
    bool m_busy = false;
};
