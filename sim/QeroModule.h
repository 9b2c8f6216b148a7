// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModuleMemory.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <random>

// Faults the simulated module can be told to show.
struct ModuleFaults {
    bool silent = false;    // never answers
    int refuseCommand = -1; // this command byte is answered with a refusal
    int ignoreCommand = -1; // this command byte is never answered
    int delayMs = 0;        // every reply starts this much later
    int shortBlock = 0;     // the N-th block read (from 1) sends one byte too few
    double noise = 0.0;     // chance, 0..1, that a reply byte arrives garbled
    // Whether the port also sees a framing error for a byte the noise garbled; without it
    // the corruption goes unnoticed by the line, as on a pseudo-terminal.
    bool noiseFlagged = true;
    int unplugAfterBlocks = -1; // after this many block reads the module is unplugged
    // A write to this address (kAnyAddress: every write) stores the byte XOR storeMask: a
    // worn cell, or a module that clamps what it is given. It still acknowledges.
    int storeDifferentAt = -1;
    quint8 storeMask = 0x01;
    // Every reply to this command byte arrives XOR garbleMask; with garbleFlagged the port
    // also sees a framing error, without it the corruption goes unnoticed by the line.
    int garbleCommand = -1;
    quint8 garbleMask = 0;
    bool garbleFlagged = true;

    static constexpr int kAnyAddress = 0x10000;
};

// The module's behaviour without any transport: bytes in, reply bytes out, with the
// memory, the command parser, the live engine values and the faults. The pseudo-terminal
// program and the in-process link both drive one of these.
class QeroModule {
public:
    enum class Model { Qero4dRev2, Qero4dRev3, Qero4dRev4, Qero3DualRev2, Qero3DualRev3, Unknown };

    // How long the module takes to erase its log before it acknowledges (longer than
    // the 1 s every other command gets).
    static constexpr qint64 kEraseUs = 1'500'000;
    // Argument bytes that do not follow within this time are dropped with their command,
    // so that a host that gave up on a reply (after 1 s) is heard afresh. Well above the
    // 2 ms between a command's bytes: a busy laptop or a virtual machine can stall either
    // side for 150 ms, and a command lost to that would look like a bad cable.
    static constexpr qint64 kArgumentTimeoutUs = 500'000;

    struct Reply {
        QByteArray bytes;
        qint64 delayUs = 0;  // from the last byte of the command to the first reply byte
        QList<int> garbled;  // indexes of bytes that line noise changed
        bool unplug = false; // the module goes away instead of answering
    };

    // Starts with the default drive log in memory.
    explicit QeroModule(Model model = Model::Qero4dRev3);

    // One byte from the host, received at `nowUs` (any monotonic clock).
    Reply receive(quint8 byte, qint64 nowUs);

    ModuleMemory& memory() { return m_memory; }
    const ModuleMemory& memory() const { return m_memory; }
    ModuleFaults& faults() { return m_faults; }
    // Starts the line noise over from another seed (the same seed, the same noise).
    void seedNoise(quint32 seed) { m_rng.seed(seed); }

    Model model() const { return m_model; }
    void setModel(Model model);
    QString identification() const { return m_id; }
    // Replaces the identification text (the model keeps deciding which commands exist).
    void setIdentification(const QString& text) { m_id = text; }

    static QString identificationFor(Model model);
    static QStringList modelNames(); // "4d-rev2", ... "unknown"
    static bool modelFromName(const QString& name, Model* model);

    int blockReads() const { return m_blockReads; }
    quint16 addressPointer() const { return m_pointer; }
    bool unplugged() const { return m_unplugged; }

    // Command names for fault options ("resync", "id", "address", ... or a number).
    static int commandFromName(const QString& name);
    static QStringList commandNames();

private:
    Reply execute(quint8 command, const QByteArray& args, qint64 nowUs);
    void resetParser();
    quint8 readNext();
    bool hasEthanolSensor() const;

    ModuleMemory m_memory;
    ModuleFaults m_faults;
    Model m_model;
    QString m_id;

    quint16 m_pointer = 0;
    int m_command = 0;
    int m_argsNeeded = 0;
    QByteArray m_args;
    QByteArray m_magic;
    qint64 m_lastByteUs = 0;
    qint64 m_startUs = -1;
    int m_blockReads = 0;
    bool m_unplugged = false;
    std::mt19937 m_rng{20240607u};
};
