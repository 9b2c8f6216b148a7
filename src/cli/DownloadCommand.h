// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

class DownloadCommand;

// qero4d-cli download --port PORT -o OUT.log [--image IMAGE] [--comment TEXT]
// Reads the module's whole memory, decodes it and writes the log file (and the raw memory).
int runDownloadCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// What the command writes once the module has been read.
struct DownloadOutputs {
    QString logPath;
    QString imagePath; // empty: no raw memory file
    QString comment;
    QString makerLabel;
};

// The command after its arguments: runs the download and writes the files only when it
// succeeded, each replaced whole or not at all. Returns the command's exit status.
int downloadAndWrite(DownloadCommand& download, const DownloadOutputs& outputs, QTextStream& out,
                     QTextStream& err);
