// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/FramImage.h"

#include <QtGlobal>

#include <array>

// Everything the host and the module agree on, written down once: the command bytes, the
// guard sequences that must follow the two destructive commands, the reply bytes and the
// layout of the module's 64 KiB memory. The program's protocol, its live-value reads and
// the simulated module all speak from this list, so they cannot drift apart.
namespace ModuleVocabulary {

// The first byte of every command.
namespace Command {
constexpr quint8 ReSync = 51;
constexpr quint8 ReadFirmwareID = 16;
constexpr quint8 SetAddress = 20; // then the address, low byte first
constexpr quint8 ReadFRAM = 30;
constexpr quint8 WriteFRAM = 31;       // then the value
constexpr quint8 ReadFRAMBlock = 48;   // then the count
constexpr quint8 ClearQEROBuffer = 49; // then kClearGuard
constexpr quint8 ResetQERO = 52;       // then kResetGuard
constexpr quint8 ReadHeaterVolts = 37;
constexpr quint8 ReadCellRes = 38; // both cells in one reply
constexpr quint8 ReadRPM = 39;
constexpr quint8 ReadAFR = 40;
constexpr quint8 ReadVIN1 = 41;
constexpr quint8 ReadESENS = 56;
} // namespace Command

// A stray byte on the line must never erase the log or restart the module, so both
// commands are only obeyed when these four bytes follow them exactly.
constexpr std::array<quint8, 4> kClearGuard = {105, 52, 191, 59};
constexpr std::array<quint8, 4> kResetGuard = {151, 102, 147, 184};

namespace Reply {
constexpr quint8 Ack = 6;
// The module will not (or cannot) do what was asked: an unknown or garbled command, no
// speed signal, no ethanol sensor.
constexpr quint8 Refusal = 21;
// Ends the identification text.
constexpr quint8 EndOfId = 13;
} // namespace Reply

// The most bytes one block read returns: a quarter of the port's receive buffer.
constexpr int kMaxBlock = FramImage::kBlockSize;

// Where things live in the module's memory.
namespace Memory {
// The program's copy of the memory is exactly as large as the module's.
constexpr int kSize = FramImage::kSize;
constexpr int kLastAddress = kSize - 1;

// The operating parameters and the fuel the module scales its display by.
constexpr int kIntervalByte = 0;  // log interval in ticks of kIntervalTick
constexpr int kPulsesByte = 1;    // pulses per revolution; 0 for half a pulse
constexpr int kLogPointerLow = 2; // where the next record goes; the module's own
constexpr int kLogPointerHigh = 3;
constexpr int kDebounceByte = 4;   // speed-signal debounce in 50 us steps
constexpr int kBrightnessByte = 5; // minimum LED duty, 0 to 255
constexpr int kFuelFactorLow = 6;  // 32768 stands for the gasoline ratio 14.69
constexpr int kFuelFactorHigh = 7;
// Seconds per tick of the module's interval counter.
constexpr double kIntervalTick = 0.016;

// The log: a ring of five-byte records (sensor 1 code, sensor 2 code, speed period low
// and high byte, analog input) in two halves around a gap.
constexpr int kRecords = 12000;
constexpr int kRecordSize = 5;
constexpr int kHalfRecords = kRecords / 2;
constexpr int kLowerHalfStart = 2768;
// A record starting here or later in the lower half would overlap the gap.
constexpr int kLowerHalfLimit = 32767;
constexpr int kUpperHalfStart = 35536;
static_assert(kLowerHalfStart + kHalfRecords * kRecordSize <= kLowerHalfLimit + 1);
static_assert(kUpperHalfStart + kHalfRecords * kRecordSize == kSize);
} // namespace Memory

} // namespace ModuleVocabulary
