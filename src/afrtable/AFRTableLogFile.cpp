// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTableLogFile.h"

#include "logdata/LogFileCommands.h"
#include "logdata/LogFileReader.h"
#include "support/FileChooser.h"

// A thin view of the program's log-file reader, so that the table code states only
// what it needs from it.
namespace AFRTableLogFile {

QByteArray readBytes(const QString& path) {
    return LogFileReader::readBytes(path);
}

Report read(QByteArrayView bytes, LogBuffer& log, FuelLines fuel) {
    const LogFileReader::Result r =
        LogFileReader::read(bytes, log,
                            fuel == FuelLines::Apply ? LogFileReader::FuelLines::Apply
                                                     : LogFileReader::FuelLines::ReportOnly);
    Report report;
    report.noDataFound = r.noDataFound();
    report.warnings = r.warnings;
    if (r.ratioLinePresent)
        report.stoichRatio = r.fileStoichRatio;
    return report;
}

QString chooseFile(Prompter& prompter) {
    return FileChooser::FileOpen(prompter, QStringLiteral("Open File"),
                                 FileChooser::withAllSupported(kLogFilter), QString());
}

QString captionFileName(const QString& path) {
    return LogFileCommands::captionFileName(path);
}

} // namespace AFRTableLogFile
