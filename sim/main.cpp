// SPDX-License-Identifier: GPL-3.0-or-later
// qero4d-sim: a simulated QERO module on a pseudo-terminal.

#include "PtyServer.h"
#include "QeroModule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    const ssize_t n = ::write(g_signalPipe[1], &c, 1);
    Q_UNUSED(n);
}

int fail(const QString& text) {
    std::fprintf(stderr, "qero4d-sim: %s\n", qPrintable(text));
    return 2;
}

bool intOption(const QCommandLineParser& p, const QCommandLineOption& o, int min, int* out) {
    if (!p.isSet(o))
        return true;
    bool ok = false;
    const int v = p.value(o).toInt(&ok);
    if (!ok || v < min)
        return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qero4d-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.3"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated QERO module on a pseudo-terminal. Prints the device path on the first\n"
        "line of standard output, then serves until interrupted (Ctrl+C). Point the\n"
        "program at it with --port-device N=PATH, or use --link for a fixed path.\n"
        "The module holds a 64 KiB memory with a 12000-sample drive log, answers every\n"
        "memory, control and live-value command, and paces its replies at 5600 bytes/s."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"),
                                     QStringLiteral("Also make PATH a symbolic link to the device "
                                                    "(an existing link there is replaced)."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption modelOpt(QStringLiteral("model"),
                                      QStringLiteral("Model and revision: %1 (default 4d-rev3).")
                                          .arg(QeroModule::modelNames().join(QStringLiteral(", "))),
                                      QStringLiteral("NAME"), QStringLiteral("4d-rev3"));
    const QCommandLineOption idOpt(
        QStringLiteral("id"),
        QStringLiteral("Identification text instead of the model's own (which contains "
                       "\"Brenwick QERO\"); the model still decides which commands exist."),
        QStringLiteral("TEXT"));
    const QCommandLineOption imageOpt(
        QStringLiteral("image"),
        QStringLiteral("Serve this memory image (exactly 65536 bytes) instead of the built-in "
                       "drive log."),
        QStringLiteral("FILE"));
    const QCommandLineOption saveOpt(QStringLiteral("save-image"),
                                     QStringLiteral("Write the memory, with every write the host "
                                                    "made, to FILE on exit."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption noPacingOpt(
        QStringLiteral("no-pacing"),
        QStringLiteral("Send replies at once instead of at the line rate of 5600 bytes/s."));
    const QCommandLineOption silentOpt(QStringLiteral("silent"),
                                       QStringLiteral("Fault: never answer anything."));
    const QCommandLineOption refuseOpt(
        QStringLiteral("refuse"),
        QStringLiteral("Fault: answer CMD with a refusal (byte 21) and do not carry it out. "
                       "CMD is one of %1, or a command byte value.")
            .arg(QeroModule::commandNames().join(QStringLiteral(", "))),
        QStringLiteral("CMD"));
    const QCommandLineOption ignoreOpt(
        QStringLiteral("ignore"),
        QStringLiteral("Fault: never answer CMD (named as for --refuse); other commands are "
                       "answered."),
        QStringLiteral("CMD"));
    const QCommandLineOption delayOpt(QStringLiteral("delay"),
                                      QStringLiteral("Fault: start every reply MS milliseconds "
                                                     "late."),
                                      QStringLiteral("MS"));
    const QCommandLineOption shortOpt(QStringLiteral("short-block"),
                                      QStringLiteral("Fault: the N-th block read (counting from "
                                                     "1) sends one byte too few."),
                                      QStringLiteral("N"));
    const QCommandLineOption noiseOpt(QStringLiteral("noise"),
                                      QStringLiteral("Fault: garble each reply byte with "
                                                     "probability P (0 to 1)."),
                                      QStringLiteral("P"));
    const QCommandLineOption unplugOpt(
        QStringLiteral("unplug-after"),
        QStringLiteral("Fault: after N block reads, close the pseudo-terminal instead of "
                       "answering the next one (the cable is pulled) and exit."),
        QStringLiteral("N"));
    const QCommandLineOption storeOpt(
        QStringLiteral("store-different"),
        QStringLiteral("Fault: a write to ADDRESS (or \"any\") stores the byte with its lowest "
                       "bit flipped, and is still acknowledged."),
        QStringLiteral("ADDRESS"));
    for (const auto* o :
         {&linkOpt, &modelOpt, &idOpt, &imageOpt, &saveOpt, &noPacingOpt, &silentOpt, &refuseOpt,
          &ignoreOpt, &delayOpt, &shortOpt, &noiseOpt, &unplugOpt, &storeOpt})
        parser.addOption(*o);
    parser.process(app);

    QeroModule::Model model;
    if (!QeroModule::modelFromName(parser.value(modelOpt), &model))
        return fail(QStringLiteral("unknown model \"%1\"; choose one of %2")
                        .arg(parser.value(modelOpt), QeroModule::modelNames().join(u' ')));
    QeroModule module(model);
    if (parser.isSet(idOpt))
        module.setIdentification(parser.value(idOpt));
    if (parser.isSet(imageOpt)) {
        QString error;
        if (!module.memory().load(parser.value(imageOpt), &error))
            return fail(error);
    }
    ModuleFaults& faults = module.faults();
    faults.silent = parser.isSet(silentOpt);
    if (parser.isSet(refuseOpt)) {
        faults.refuseCommand = QeroModule::commandFromName(parser.value(refuseOpt));
        if (faults.refuseCommand < 0)
            return fail(QStringLiteral("unknown command \"%1\"").arg(parser.value(refuseOpt)));
    }
    if (parser.isSet(ignoreOpt)) {
        faults.ignoreCommand = QeroModule::commandFromName(parser.value(ignoreOpt));
        if (faults.ignoreCommand < 0)
            return fail(QStringLiteral("unknown command \"%1\"").arg(parser.value(ignoreOpt)));
    }
    if (!intOption(parser, delayOpt, 0, &faults.delayMs))
        return fail(QStringLiteral("--delay needs a number of milliseconds"));
    if (!intOption(parser, shortOpt, 1, &faults.shortBlock))
        return fail(QStringLiteral("--short-block needs a block number from 1"));
    if (!intOption(parser, unplugOpt, 0, &faults.unplugAfterBlocks))
        return fail(QStringLiteral("--unplug-after needs a number of block reads"));
    if (parser.isSet(storeOpt)) {
        if (parser.value(storeOpt).trimmed().compare(QLatin1String("any"), Qt::CaseInsensitive) ==
            0) {
            faults.storeDifferentAt = ModuleFaults::kAnyAddress;
        } else if (!intOption(parser, storeOpt, 0, &faults.storeDifferentAt) ||
                   faults.storeDifferentAt > 0xFFFF) {
            return fail(QStringLiteral("--store-different needs an address from 0 to 65535 or "
                                       "\"any\""));
        }
    }
    if (parser.isSet(noiseOpt)) {
        bool ok = false;
        faults.noise = parser.value(noiseOpt).toDouble(&ok);
        if (!ok || faults.noise < 0.0 || faults.noise > 1.0)
            return fail(QStringLiteral("--noise needs a probability from 0 to 1"));
    }

    PtyServer server(module, !parser.isSet(noPacingOpt));
    QString error;
    if (!server.start(&error))
        return fail(error);

    const QString link = parser.value(linkOpt);
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(server.devicePath(), link))
            return fail(QStringLiteral("cannot make the link %1").arg(link));
    }

    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "qero4d-sim: serving \"%s\" on %s%s\n",
                 qPrintable(module.identification()), qPrintable(server.devicePath()),
                 link.isEmpty() ? "" : qPrintable(QStringLiteral(" (link %1)").arg(link)));

    const auto finish = [&] {
        if (!link.isEmpty() && QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (parser.isSet(saveOpt)) {
            QString saveError;
            if (!module.memory().save(parser.value(saveOpt), &saveError)) {
                std::fprintf(stderr, "qero4d-sim: %s\n", qPrintable(saveError));
                return 1;
            }
        }
        return 0;
    };

    if (::pipe(g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
            char c;
            const ssize_t n = ::read(g_signalPipe[0], &c, 1);
            Q_UNUSED(n);
            QCoreApplication::quit();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    QObject::connect(&server, &PtyServer::unplugged, &app, [] {
        std::fprintf(stderr, "qero4d-sim: unplugged\n");
        QCoreApplication::quit();
    });

    app.exec();
    return finish();
}
