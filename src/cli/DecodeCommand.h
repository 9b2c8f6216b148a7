// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

// qero4d-cli decode IMAGE -o OUT.log [--date TEXT] [--comment TEXT]
// Decodes a saved 65536-byte module memory exactly as a download does and writes the log.
int runDecodeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
