// SPDX-License-Identifier: GPL-3.0-or-later
// The module's side of the line is outside the program's control: a module with other
// firmware, a noisy cable or a different device on the port may send anything at any
// time. Each input drives a sequence of module commands against such a line; every
// command must end (on the virtual clock), release the port and report what happened.
#include "FuzzAnswers.h"
#include "FuzzInput.h"
#include "FuzzLink.h"
#include "FuzzReused.h"
#include "device/ClearQEROBufferCommand.h"
#include "device/DownloadCommand.h"
#include "device/FuelUpload.h"
#include "device/ModuleProtocol.h"
#include "device/ModuleSession.h"
#include "device/ParameterTransfer.h"
#include "device/PortSetup.h"
#include "device/ProgressReport.h"
#include "logdata/AppState.h"
#include "realtime/RealTimeCommands.h"
#include "realtime/RealTimeDecoding.h"
#include "realtime/RealTimeDisplay.h"
#include "realtime/RealTimePoller.h"
#include "realtime/RealTimeStart.h"
#include "support/VirtualClock.h"

#include "../tests/device/MemorySettingsStore.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>

namespace {

// Far longer than any command with all its time-outs: past this a command is looping.
constexpr qint64 kMaxVirtualUs = qint64(10) * 3600 * 1'000'000;

void require(bool condition) {
    if (!condition)
        std::abort();
}

class NoProgress : public ProgressReport {
public:
    void showProgress(const QString&) override {}
    void setProgress(int percent) override { require(percent >= 0 && percent <= 100); }
    void hideProgress() override {}
};

class CheckedDisplay : public RealTimeDisplay {
public:
    void showSensors(int raw1, int raw2, double lambda1, double lambda2, double afr1, double afr2,
                     bool) override {
        require(raw1 >= 0 && raw1 <= 255 && raw2 >= 0 && raw2 <= 255);
        require(std::isfinite(lambda1) && std::isfinite(lambda2) && std::isfinite(afr1) &&
                std::isfinite(afr2));
    }
    void showRPM(float rpm) override { require(std::isfinite(rpm) && rpm >= 0.0f); }
    void showAnalog(float volts, float) override { require(volts >= 0.0f && volts <= 5.0f); }
    void showBattery(float volts) override { require(volts >= 0.0f && volts <= 20.0f); }
    void showCellResistance1(float v) override { require(v >= 0.0f && v <= 255.0f); }
    void showCellResistance2(float v) override { require(v >= 0.0f && v <= 255.0f); }
    void showEthanol(float percent) override { require(percent >= 0.0f && percent <= 205.0f); }
    void resetDisplay() override {}
};

// A single the settings may hold: ordinary values most of the time, and the extremes a
// hand-edited settings file can bring in.
float storedSingle(FuzzInput& in, float scale) {
    static constexpr float extremes[] = {0.0f,   -1.0f,         0.5f,           255.5f, 1e30f,
                                         -1e30f, 3.4028235e38f, -3.4028235e38f, 1e-30f};
    const int pick = in.backInRange(0, 15);
    if (pick < int(std::size(extremes)))
        return extremes[pick];
    return float(in.back()) * scale;
}

bool knownVersion(const QString& v) {
    for (const char* k :
         {"QERO4D Rev 2", "QERO4D Rev 3", "QERO3Dual Rev 2", "QERO3Dual Rev 3", "Unknown"})
        if (v == QLatin1String(k))
            return true;
    return false;
}

struct Bench {
    explicit Bench(FuzzInput& in) : input(in), state(reusedFresh<AppState>()) {
        auto owned = std::make_unique<FuzzLink>(clock, input);
        link = owned.get();
        FuzzAnswers::attach(prompter, input);
        session = std::make_unique<ModuleSession>(state, clock, prompter, std::move(owned));
    }

    FuzzInput& input;
    AppState& state;
    VirtualClock clock;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    NoProgress progress;
    CheckedDisplay display;
    FuzzLink* link = nullptr;
    std::unique_ptr<ModuleSession> session;

    ModuleProtocol& protocol() { return session->protocol(); }
    bool portOpen() const { return link->isOpen(); }

    void run(int op);
};

void Bench::run(int op) {
    ModuleProtocol& p = protocol();
    switch (op) {
    case 0: {
        const bool ok = p.ReSyncUpTo(input.backInRange(1, 5));
        require(ok == state.module.CommandOK);
        break;
    }
    case 1:
        p.ReadFirmwareID();
        require(!portOpen());
        require(!state.module.CommandOK || knownVersion(state.module.QEROVersion));
        break;
    case 2: {
        const qint32 address = input.backInRange(-2, 65537);
        const int sentBefore = link->sentWhileOpen;
        p.SetAddress(address);
        if (address < 0 || address > 0xFFFF)
            require(!state.module.CommandOK && link->sentWhileOpen == sentBefore);
        break;
    }
    case 3:
        (void)p.ReadFRAM();
        break;
    case 4: {
        const int count = input.backInRange(-1, 66);
        p.ReadFRAMBlock(count);
        require(!state.module.CommandOK || (count >= 1 && count <= ModuleVocabulary::kMaxBlock));
        break;
    }
    case 5:
        p.WriteFRAM(input.back());
        require(!portOpen());
        break;
    case 6: {
        ClearQEROBufferCommand clear(p, prompter);
        if (input.back() & 1) {
            (void)clear.mnuClearQEROBuffer_Click(); // may be declined, touching nothing
        } else {
            const bool ok = clear.erase();
            require(ok == state.module.CommandOK);
            require(!portOpen());
        }
        break;
    }
    case 7:
        p.ResetQERO();
        require(!portOpen());
        break;
    case 8: {
        DownloadCommand download(state, p, prompter, clock, progress);
        const bool ok = download.mnuDownload_Click();
        require(!portOpen());
        require(ok != state.log.DataBufferEmpty);
        break;
    }
    case 9: {
        RealTimeCommands rt(p);
        switch (input.backInRange(0, 6)) {
        case 0:
            rt.ReadAFR();
            require(rt.AFRRaw1 >= 0 && rt.AFRRaw1 <= 255 && rt.AFRRaw2 >= 0 && rt.AFRRaw2 <= 255);
            break;
        case 1:
            display.showRPM(rt.ReadRPM());
            break;
        case 2:
            display.showAnalog(rt.ReadVIN1(), 0);
            break;
        case 3:
            display.showBattery(rt.ReadHeaterVolts());
            break;
        case 4:
            display.showCellResistance1(rt.ReadCellRes1());
            break;
        case 5:
            display.showCellResistance2(rt.ReadCellRes2());
            break;
        default:
            display.showEthanol(RealTimeDecoding::ethanolPercent(rt.ReadESENS()));
            break;
        }
        require(!state.module.CommandOK || !portOpen());
        break;
    }
    case 10:
        RealTimeStart::prepare(state, p, prompter);
        // Without a link the version stays as it was; an unidentified module is run as
        // the oldest model rather than as "Unknown".
        require(state.module.QEROVersion.isEmpty() || knownVersion(state.module.QEROVersion));
        require(!portOpen());
        break;
    case 11: {
        static const char* const fuels[] = {"Gasoline", "Lambda", "Methanol", "E85", "lambda"};
        state.log.FuelType = QLatin1String(fuels[input.backInRange(0, 4)]);
        state.log.StoichRatio = storedSingle(input, 0.1f);
        FuelUpload upload(p);
        const FuelUpload::Result r = upload.run();
        require(r != FuelUpload::Result::Completed || !portOpen());
        break;
    }
    case 12: {
        ParameterTransfer transfer(state.log, state.settings, settings, p, prompter);
        if (transfer.cmdQEROParamsDownload_Click())
            require(!portOpen());
        break;
    }
    case 13: {
        state.log.DataLogInterval = storedSingle(input, 0.016f);
        state.settings.PulsePerRev = storedSingle(input, 1.0f);
        state.settings.RPMDebounce = input.back();
        state.settings.MinLEDPWM = input.back();
        ParameterTransfer transfer(state.log, state.settings, settings, p, prompter);
        if (transfer.cmdQEROParamsUpload_Click())
            require(!portOpen());
        break;
    }
    case 14: {
        PortSetup setup(state.settings, p);
        const qint16 last = qint16(input.backInRange(1, PortSetup::kScanLastPort));
        const qint16 found = setup.PortScan(last, PortSetup::kIdentity, &progress);
        require(found >= 0 && found <= last);
        require(!portOpen());
        break;
    }
    case 15: {
        PortSetup setup(state.settings, p);
        (void)setup.PortTest(qint16(input.backInRange(1, 255)), PortSetup::kIdentity);
        require(!portOpen());
        break;
    }
    case 16: {
        RealTimeCommands rt(p);
        state.window.RealTimeActive = true;
        bool closed = false;
        RealTimePoller poller(state, rt, clock, display, [&] { closed = true; });
        const RealTimePoller::Tick t = poller.tmrDataRead_Timer();
        if (t == RealTimePoller::Tick::LinkLost)
            require(closed && !state.window.RealTimeActive && !portOpen());
        state.window.RealTimeActive = false;
        break;
    }
    case 17:
        state.window.RealTimeActive = !state.window.RealTimeActive;
        break;
    default: {
        // Esc pressed a little later, while a command runs.
        const qint64 at = clock.nowUs() + qint64(input.back()) * 10'000;
        auto id = std::make_shared<int>(0);
        *id = clock.addEventHook([this, at, id] {
            if (clock.nowUs() < at)
                return;
            state.window.AbortRequested = true;
            clock.removeEventHook(*id);
        });
        break;
    }
    }
    require(!p.busy());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    auto bench = std::make_unique<Bench>(input);
    for (int step = 0; step < 12 && !input.empty(); ++step) {
        bench->run(input.backInRange(0, 18));
        require(bench->clock.nowUs() < kMaxVirtualUs);
    }
    return 0;
}
