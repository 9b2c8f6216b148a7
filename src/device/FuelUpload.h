// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class ModuleProtocol;
struct LogBuffer;

// Writes the fuel's scale factor into the module and reads it back. Runs after the fuel
// window has taken the user's choice into FuelType / StoichRatio and saved it. Every
// message is an exclamation box with OK titled "Upload Fuel Type".
class FuelUpload {
public:
    enum class Result {
        Completed,
        FactorOutOfRange,
        NoLink,
        FirmwareIdFailed,
        FirmwareIdEmpty,
        EarlierGeneration,
        ProgrammingFailed,
        VerificationFailed,
    };

    // `log` holds the fuel chosen (FuelType, StoichRatio).
    FuelUpload(ModuleProtocol& protocol, const LogBuffer& log);

    // cmdFuelTypeUpload_Click from the second step on.
    Result run();

    static QString title() { return QStringLiteral("Upload Fuel Type"); }

    // After a failed verification: the factor the module holds now, read twice and
    // agreeing (nothing when the line does not give the same two bytes twice). Opens the
    // port when it is closed and closes it after. Says nothing.
    std::optional<quint16> readFactor();

private:
    void say(const QString& text);
    Result writeAndVerify(int address);

    ModuleProtocol& m_protocol;
    const LogBuffer& m_log;
};
