// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/ModuleProtocol.h"

#include "device/SerialLink.h"
#include "logdata/FramImage.h"
#include "support/Clock.h"
#include "support/ModuleStatus.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SettingsValues.h"

namespace {

namespace Command = ModuleVocabulary::Command;
using ModuleVocabulary::kClearGuard;
using ModuleVocabulary::kResetGuard;
namespace Reply = ModuleVocabulary::Reply;

// How long a wait that lets events run sleeps between passes when nothing came.
constexpr qint64 kEventPassUs = 1000;

} // namespace

ModuleProtocol::ModuleProtocol(ModuleStatus& module, FramImage& fram,
                               const SettingsValues& settings, SerialLink& link, Clock& clock,
                               Prompter& prompter)
    : m_module(module), m_fram(fram), m_settings(settings), m_link(link), m_clock(clock),
      m_prompter(prompter) {}

void ModuleProtocol::pause() {
    DelayTimer(m_clock, kPauseMs);
}

// ---- Exchange ---------------------------------------------------------------------

ModuleProtocol::Exchange::Exchange(ModuleProtocol& protocol) : m_p(protocol) {
    m_p.m_module.CommandOK = false;
    if (!m_p.m_busy) {
        m_p.m_busy = true;
        m_owner = true;
    }
}

ModuleProtocol::Exchange::~Exchange() {
    if (m_owner)
        m_p.m_busy = false;
}

bool ModuleProtocol::Exchange::send(std::initializer_list<quint8> bytes) {
    if (!m_owner)
        return false;
    const auto opened = ErrorReport::runStep(
        m_p.m_prompter, [this] { m_p.m_link.openIfClosed(m_p.m_settings.PortNumber); });
    // Sending into a port that did not open can only fail again; the command ends.
    if (opened != ErrorReport::StepResult::Done || !m_p.m_link.isOpen())
        return false;
    m_p.m_link.clearReceiveBuffer();
    const auto* last = bytes.end() - 1;
    for (const auto* b = bytes.begin(); b != bytes.end(); ++b) {
        m_p.m_link.sendByte(*b);
        if (b != last)
            m_p.pause();
    }
    return true;
}

bool ModuleProtocol::Exchange::await(int count, qint64 limitUs, bool letEventsRun) {
    Clock& clock = m_p.m_clock;
    SerialLink& link = m_p.m_link;
    const qint64 deadline = clock.nowUs() + limitUs;
    for (;;) {
        if (link.receivedCount() >= count)
            return true;
        // A port closed under the wait (a line error, the device removed) will bring
        // nothing more; do not sit out the rest of the time.
        if (clock.nowUs() > deadline || !link.isOpen())
            break;
        if (letEventsRun)
            clock.processEvents();
        const qint64 left = deadline - clock.nowUs() + 1;
        if (left > 0)
            link.waitForBytes(letEventsRun ? qMin(left, kEventPassUs) : left);
    }
    return link.receivedCount() >= count;
}

quint8 ModuleProtocol::Exchange::take() {
    return m_p.m_link.takeByte();
}

ErrorReport::Choice ModuleProtocol::Exchange::reportTimeout() {
    const QString description = QeroFailure::commTimeout().description();
    for (;;) {
        const auto choice = ErrorReport::ShowErrorChoice(m_p.m_prompter, description);
        if (choice != ErrorReport::Choice::Retry)
            return choice;
    }
}

void ModuleProtocol::Exchange::failTimeout() {
    m_p.m_link.closeIfOpen();
    if (reportTimeout() == ErrorReport::Choice::Abort)
        m_p.m_link.closeIfOpen();
}

// ---- the commands -------------------------------------------------------------------

void ModuleProtocol::ReSync() {
    Exchange x(*this);
    if (!x.send({Command::ReSync}))
        return;
    if (!x.await(1))
        return; // silent by design: callers simply try again
    const quint8 b = x.take();
    pause();
    m_module.CommandOK = b == Reply::Ack;
}

bool ModuleProtocol::ReSyncUpTo(int tries) {
    for (int i = 0; i < tries; ++i) {
        ReSync();
        if (m_module.CommandOK)
            return true;
    }
    return false;
}

ModuleProtocol::Opening ModuleProtocol::OpenConversation(int tries, bool stayOnOpenPort) {
    bool synced = false;
    for (int i = 0; i < tries && !synced; ++i) {
        if (stayOnOpenPort && !m_link.isOpen())
            break;
        ReSync();
        synced = m_module.CommandOK;
    }
    if (!synced) {
        m_link.closeIfOpen();
        return Opening::NoLink;
    }
    ReadFirmwareID();
    if (!m_module.CommandOK)
        return Opening::IdFailed;
    if (m_module.FirmwareID.isEmpty())
        return Opening::IdEmpty;
    return Opening::Identified;
}

void ModuleProtocol::ReadFirmwareID() {
    Exchange x(*this);
    if (x.active())
        m_module.FirmwareID.clear();
    if (!x.send({Command::ReadFirmwareID}))
        return;
    const qint64 deadline = m_clock.nowUs() + kReplyLimitUs;
    bool complete = false;
    while (m_clock.nowUs() <= deadline) {
        const bool waiting = m_link.receivedCount() > 0;
        if (waiting) {
            const quint8 b = x.take();
            if (b == Reply::EndOfId) {
                complete = true;
                break;
            }
            m_module.FirmwareID.append(QChar::fromLatin1(char(b)));
        }
        m_clock.processEvents();
        if (!m_link.isOpen())
            break;
        if (!waiting) {
            const qint64 left = deadline - m_clock.nowUs() + 1;
            if (left > 0)
                m_link.waitForBytes(qMin(left, kEventPassUs));
        }
    }
    if (!complete) {
        x.failTimeout();
        return;
    }
    m_module.QEROVersion = versionFromId(m_module.FirmwareID);
    m_link.closeIfOpen();
    pause();
    m_module.CommandOK = true;
}

void ModuleProtocol::SetAddress(qint32 address) {
    Exchange x(*this);
    if (address < 0 || address > 0xFFFF)
        return; // no such address in the module; nothing is sent
    if (!x.send({Command::SetAddress, quint8(address & 0xFF), quint8((address >> 8) & 0xFF)}))
        return;
    if (!x.await(1)) {
        x.failTimeout();
        return;
    }
    if (x.take() == Reply::Ack) {
        m_module.CommandOK = true;
        pause();
    }
}

quint8 ModuleProtocol::ReadFRAM() {
    Exchange x(*this);
    if (!x.send({Command::ReadFRAM}))
        return 0;
    if (!x.await(1)) {
        x.failTimeout();
        return 0;
    }
    const quint8 b = x.take();
    pause();
    m_module.CommandOK = true;
    return b;
}

void ModuleProtocol::ReadFRAMBlock(int count) {
    Exchange x(*this);
    // A block never exceeds kMaxBlock bytes, a quarter of the port's receive buffer.
    if (count < 1 || count > ModuleVocabulary::kMaxBlock)
        return;
    if (!x.send({Command::ReadFRAMBlock, quint8(count)}))
        return;
    if (!x.await(count)) {
        x.failTimeout(); // nothing of a short block is kept
        return;
    }
    for (int i = 0; i < count; ++i)
        m_fram.FRAMBlock[size_t(i)] = x.take();
    pause();
    m_module.CommandOK = true;
}

void ModuleProtocol::WriteFRAM(quint8 value) {
    Exchange x(*this);
    if (!x.send({Command::WriteFRAM, value}))
        return;
    if (!x.await(1, kReplyLimitUs, true)) {
        x.failTimeout();
        return;
    }
    if (x.take() == Reply::Ack) {
        pause();
        m_module.CommandOK = true;
    }
    m_link.closeIfOpen();
}

void ModuleProtocol::ClearQEROBuffer() {
    Exchange x(*this);
    if (!x.send({Command::ClearQEROBuffer, kClearGuard[0], kClearGuard[1], kClearGuard[2],
                 kClearGuard[3]}))
        return;
    if (!x.await(1, kEraseLimitUs)) {
        x.failTimeout();
        return;
    }
    m_module.CommandOK = x.take() == Reply::Ack;
    pause();
    m_link.closeIfOpen();
}

void ModuleProtocol::ResetQERO() {
    Exchange x(*this);
    if (!x.send(
            {Command::ResetQERO, kResetGuard[0], kResetGuard[1], kResetGuard[2], kResetGuard[3]}))
        return;
    if (!x.await(1)) {
        x.failTimeout();
        return;
    }
    m_module.CommandOK = x.take() == Reply::Ack;
    pause();
    m_link.closeIfOpen();
}

QString ModuleProtocol::versionFromId(const QString& id) {
    QString model;
    if (id.contains(QLatin1String("QERO IV Dual"), Qt::CaseInsensitive))
        model = QStringLiteral("QERO4D");
    else if (id.contains(QLatin1String("QERO 3 Dual Display"), Qt::CaseInsensitive))
        model = QStringLiteral("QERO3Dual");
    else
        return QStringLiteral("Unknown");
    // A revision-4 module is handled as revision 3.
    if (id.contains(QLatin1String("Rev 3"), Qt::CaseInsensitive) ||
        id.contains(QLatin1String("Rev 4"), Qt::CaseInsensitive))
        return model + QStringLiteral(" Rev 3");
    return model + QStringLiteral(" Rev 2");
}
