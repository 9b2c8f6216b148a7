// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file is the user's own and may be edited by hand or half written: any
// text must load into values the program can run with, and whatever was loaded must be
// stored again in a form that loads back to the same values.
#include "FuzzAnswers.h"
#include "FuzzReused.h"
#include "logdata/AppState.h"
#include "logdata/SettingsTable.h"
#include "support/IniSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

QString freshFile() {
    // QSettings keeps parsed files by name; a new name per input reads the new text.
    static QTemporaryDir dir(QDir(QFile::exists(QStringLiteral("/dev/shm"))
                                      ? QStringLiteral("/dev/shm")
                                      : QDir::tempPath())
                                 .filePath(QStringLiteral("qero-fuzz-settings-XXXXXX")));
    static quint64 n = 0;
    return dir.filePath(QStringLiteral("s%1.ini").arg(++n));
}

bool finite(float v) {
    return std::isfinite(v);
}

void checkRunnable(const AppState& s) {
    const LogBuffer& log = s.log;
    if (s.settings.PortNumber < 1 || s.settings.PortNumber > 255)
        std::abort();
    if (log.MaxRPMDisplay < 4000 || log.MaxRPMDisplay > 20000)
        std::abort();
    if (!(log.MinInVolts >= 0.0f && log.MinInVolts <= 5.0f) ||
        !(log.MaxInVolts >= 0.0f && log.MaxInVolts <= 5.0f))
        std::abort();
    for (float v : {log.DataLogInterval, s.settings.PulsePerRev, log.MinScaledValue, log.MaxScaledValue,
                    log.StoichRatio})
        if (!finite(v))
            std::abort();
    if (s.settings.AFRFormat != AppState::afrFormatFor(log.StoichRatio))
        std::abort();
}

// Writes like IniSettingsStore, into the same section and format, but saves the file once
// at the end instead of once per value.
class BatchIniStore : public SettingsStore {
public:
    explicit BatchIniStore(const QString& path) : m_settings(path, QSettings::IniFormat) {}
    std::optional<QString> value(const QString&) const override { return std::nullopt; }
    void setValue(const QString& key, const QString& text) override {
        m_settings.setValue(QLatin1String(IniSettingsStore::kSection) + u'/' + key, text);
    }

private:
    QSettings m_settings;
};

void store(SettingsStore& out, const AppState& s) {
    using SettingsTable::save;
    const LogBuffer& log = s.log;
    save(out, QStringLiteral("CommPort"), int(s.settings.PortNumber));
    save(out, QStringLiteral("AutoConnect"), s.settings.AutoConnect);
    save(out, QStringLiteral("DataLogInterval"), log.DataLogInterval);
    save(out, QStringLiteral("PulsePerRev"), s.settings.PulsePerRev);
    save(out, QStringLiteral("RPMDebounce"), int(s.settings.RPMDebounce));
    save(out, QStringLiteral("MinLEDPWM"), int(s.settings.MinLEDPWM));
    save(out, QStringLiteral("AFRTableData"), s.settings.AFRTableData);
    save(out, QStringLiteral("AnalogInputType"), log.AnalogInputType);
    save(out, QStringLiteral("MaxRPMDisplay"), int(log.MaxRPMDisplay));
    save(out, QStringLiteral("MinInVolts"), log.MinInVolts);
    save(out, QStringLiteral("MaxInVolts"), log.MaxInVolts);
    save(out, QStringLiteral("MinScaledValue"), log.MinScaledValue);
    save(out, QStringLiteral("MaxScaledValue"), log.MaxScaledValue);
    save(out, QStringLiteral("AnalogLegend"), log.AnalogLegend);
    save(out, QStringLiteral("FuelType"), log.FuelType);
    save(out, QStringLiteral("StoichRatio"), log.StoichRatio);
}

bool same(const AppState& a, const AppState& b) {
    const LogBuffer& x = a.log;
    const LogBuffer& y = b.log;
    return a.settings.PortNumber == b.settings.PortNumber && a.settings.AutoConnect == b.settings.AutoConnect &&
           x.DataLogInterval == y.DataLogInterval && a.settings.PulsePerRev == b.settings.PulsePerRev &&
           a.settings.RPMDebounce == b.settings.RPMDebounce && a.settings.MinLEDPWM == b.settings.MinLEDPWM &&
           a.settings.AFRTableData == b.settings.AFRTableData && x.AnalogInputType == y.AnalogInputType &&
           x.MaxRPMDisplay == y.MaxRPMDisplay && x.MinInVolts == y.MinInVolts &&
           x.MaxInVolts == y.MaxInVolts && x.MinScaledValue == y.MinScaledValue &&
           x.MaxScaledValue == y.MaxScaledValue && x.AnalogLegend == y.AnalogLegend &&
           x.FuelType == y.FuelType && x.StoichRatio == y.StoichRatio && a.settings.AFRFormat == b.settings.AFRFormat;
}

// Settings given as "Key=Value" lines, without the INI layer in between, so that the
// conversions get most of the runs.
class LineStore : public SettingsStore {
public:
    explicit LineStore(const QByteArray& text) {
        for (const QByteArray& line : text.split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                m_values.insert(QString::fromUtf8(line.left(eq)),
                                QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    std::optional<QString> value(const QString& key) const override {
        const auto it = m_values.constFind(key);
        if (it == m_values.cend())
            return std::nullopt;
        return *it;
    }
    void setValue(const QString& key, const QString& text) override { m_values.insert(key, text); }

private:
    QHash<QString, QString> m_values;
};

AppState& load(SettingsStore& settings, FuzzInput& answers) {
    AppState& state = reusedFresh<AppState, 0>();
    ScriptedPrompter prompter;
    FuzzAnswers::attach(prompter, answers);
    SettingsTable::load(state, settings, prompter);
    checkRunnable(state);
    return state;
}

// What was loaded, stored as the commands store it and loaded again, is what was loaded.
void checkStoredAgain(const AppState& loaded, SettingsStore& out, SettingsStore& in) {
    store(out, loaded);
    AppState& reloaded = reusedFresh<AppState, 1>();
    ScriptedPrompter prompter;
    SettingsTable::load(reloaded, in, prompter);
    if (!prompter.boxes().isEmpty())
        std::abort(); // a value the program wrote itself was refused
    if (!same(loaded, reloaded))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The last byte: bits 0-2 the number of answers to the error reports (taken from just
    // before it), bits 3-5 all set: the text also goes through a real INI file (far slower, so
    // one input in eight).
    const quint8 control = data[size - 1];
    const size_t answers = qMin<size_t>(control & 7, size - 1);
    const size_t textSize = size - 1 - answers;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(textSize));

    {
        LineStore settings(text);
        FuzzInput script(data + textSize, answers);
        const AppState& loaded = load(settings, script);
        LineStore stored{QByteArray()};
        checkStoredAgain(loaded, stored, stored);
    }
    if ((control & 0x38) != 0x38)
        return 0;

    const QString path = freshFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            std::abort();
    }
    const AppState* loaded = nullptr;
    {
        IniSettingsStore settings(path);
        FuzzInput script(data + textSize, answers);
        loaded = &load(settings, script);
    }
    QFile::remove(path);
    const QString again = freshFile();
    {
        BatchIniStore out(again);
        store(out, *loaded);
    }
    {
        IniSettingsStore in(again);
        AppState& reloaded = reusedFresh<AppState, 1>();
        ScriptedPrompter prompter;
        SettingsTable::load(reloaded, in, prompter);
        if (!prompter.boxes().isEmpty() || !same(*loaded, reloaded))
            std::abort();
    }
    QFile::remove(again);
    return 0;
}
