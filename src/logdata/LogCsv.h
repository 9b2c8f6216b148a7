// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"

#include <QByteArray>

// The log as a table for spreadsheets and scripts: a header row
// sample,ElapsedTime,AFR1,Sensor1Status,AFR2,Sensor2Status,RPM,AnalogInVolts
// and one row per sample (numbered from 1), every value the shortest text that reads
// back as the same single-precision number; lines end in LF.
namespace LogCsv {

QByteArray header();
void appendRow(QByteArray& out, const LogBuffer& log, int index);

// All 12000 samples.
QByteArray whole(const LogBuffer& log);

// The samples whose time lies from `from` to `to` (inclusive), in buffer order.
QByteArray between(const LogBuffer& log, double from, double to);

} // namespace LogCsv
