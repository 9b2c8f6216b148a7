// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DecodeCommand.h"

#include "cli/CliSession.h"
#include "device/DownloadCommand.h"
#include "logdata/LogFileWriter.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>

int runDecodeCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Decodes a saved module memory image (65536 bytes) into a log file, "
                       "exactly as a download does."));
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("the memory image"));
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("the log file to write"),
                                    QStringLiteral("OUT.log"));
    const QCommandLineOption dateOpt(
        QStringLiteral("date"),
        QStringLiteral("the download date to record (default: now, in the system's form)"),
        QStringLiteral("TEXT"));
    const QCommandLineOption commentOpt(QStringLiteral("comment"),
                                        QStringLiteral("a comment to record with the log"),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("show this help"));
    parser.addOptions({outOpt, dateOpt, commentOpt, helpOpt});

    const QString usage =
        QStringLiteral("usage: qero4d-cli decode IMAGE -o OUT.log [--date TEXT] [--comment TEXT]");
    if (!parser.parse(QStringList{QStringLiteral("decode")} + args)) {
        err << parser.errorText() << Qt::endl << usage << Qt::endl;
        return 2;
    }
    if (parser.isSet(helpOpt)) {
        out << usage << Qt::endl
            << Qt::endl
            << parser.helpText().section(QStringLiteral("\n\n"), 1) << Qt::flush;
        return 0;
    }
    if (parser.positionalArguments().size() != 1 || !parser.isSet(outOpt)) {
        err << usage << Qt::endl;
        return 2;
    }
    const QString imagePath = parser.positionalArguments().first();
    const QString outPath = parser.value(outOpt);

    QFile image(imagePath);
    if (!image.open(QIODevice::ReadOnly)) {
        err << imagePath << ": " << image.errorString() << Qt::endl;
        return 1;
    }
    // One byte more than a memory holds is enough to tell a wrong file; its real size
    // is named, not the read's limit.
    const QByteArray bytes = image.read(FramImage::kSize + 1);
    if (bytes.size() != FramImage::kSize) {
        const qint64 size = image.size() > 0 ? image.size() : qint64(bytes.size());
        err << imagePath << ": not a module memory image (" << size
            << " bytes where 65536 are expected)" << Qt::endl;
        return 1;
    }

    CliSession session(err);
    AppState& state = session.state();
    state.fram.ClearFRAMBuffer();
    state.log.ClearDataBuffer();
    std::copy(bytes.begin(), bytes.end(), state.fram.FRAMBuffer.begin());
    if (!DownloadCommand::decodeImage(state, session.prompter(), QDateTime::currentDateTime()))
        return 1;
    if (parser.isSet(dateOpt))
        state.log.DownloadDate = parser.value(dateOpt);
    state.log.Comment = parser.value(commentOpt);

    QString label;
    if (!session.makerLabel(&label) ||
        !session.writeFile(outPath, LogFileWriter::whole(state.log, label)))
        return 1;
    return 0;
}
