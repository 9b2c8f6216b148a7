// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EraseCommand.h"

#include "cli/CliSession.h"
#include "device/ClearQEROBufferCommand.h"

#include <QCommandLineParser>

int runEraseCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("port number (3 for Com3) or device path"),
                                     QStringLiteral("PORT"));
    const QCommandLineOption yesOpt(QStringLiteral("yes"),
                                    QStringLiteral("confirm: all data logged by the module will "
                                                   "be lost"));
    const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("show this help"));
    parser.addOptions({portOpt, yesOpt, helpOpt});

    const QString usage = QStringLiteral("usage: qero4d-cli erase --port PORT --yes");
    if (!parser.parse(QStringList{QStringLiteral("erase")} + args)) {
        err << parser.errorText() << Qt::endl << usage << Qt::endl;
        return 2;
    }
    if (parser.isSet(helpOpt)) {
        out << usage << Qt::endl
            << Qt::endl
            << QStringLiteral("Erases the log the module has recorded (the module takes up to "
                              "10 s).\n\n")
            << parser.helpText().section(QStringLiteral("\n\n"), 1) << Qt::flush;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty() || !parser.isSet(portOpt)) {
        err << usage << Qt::endl;
        return 2;
    }
    if (!parser.isSet(yesOpt)) {
        err << "All data logged by QERO will be lost: add --yes to proceed." << Qt::endl;
        return 2;
    }

    CliSession session(err);
    QString error;
    if (!session.usePort(parser.value(portOpt), &error)) {
        err << error << Qt::endl << usage << Qt::endl;
        return 2;
    }
    ClearQEROBufferCommand command(session.protocol(), session.prompter());
    return command.erase() ? 0 : 1;
}
