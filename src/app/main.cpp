// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpFile.h"
#include "app/QtPrompter.h"
#include "app/SingleInstance.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/SystemClock.h"
#include "support/UnattendedPrompter.h"

#include "QeroModule.h"
#include "SimulatedLink.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

// The command line as both starts parse it: the display-free one for --help and
// --version, and the program's own.
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption settingsOption{
        QStringLiteral("settings"),
        QStringLiteral("Keep the settings in this INI file instead of the per-user store."),
        QStringLiteral("file")};
    QCommandLineOption splashOption{QStringLiteral("splash-ms"),
                                    QStringLiteral("Show the splash window this long (4000)."),
                                    QStringLiteral("ms"), QStringLiteral("4000")};
    QCommandLineOption smokeOption{
        QStringLiteral("smoke-test"),
        QStringLiteral("Start, print the main window's title and menus once it is shown, "
                       "and exit.")};
    QCommandLineOption simulateOption{
        QStringLiteral("simulate"),
        QStringLiteral("Talk to a simulated QERO on the current port instead of the serial "
                       "port: every function can be tried without hardware.")};
    QCommandLineOption portDeviceOption{
        QStringLiteral("port-device"),
        QStringLiteral("Use device PATH for port ComN (for example 1=/dev/ttyUSB3); may be "
                       "given several times."),
        QStringLiteral("N=PATH")};
    QCommandLineOption splashTimingOption{
        QStringLiteral("splash-timing"),
        QStringLiteral("Print when the splash window has been drawn, in milliseconds since "
                       "1970, and exit (to time the start-up).")};

    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("QERO4D Log: download, chart and tune with the QERO dual-channel "
                           "wideband module."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(settingsOption);
        parser.addOption(splashOption);
        parser.addOption(splashTimingOption);
        parser.addOption(smokeOption);
        parser.addOption(simulateOption);
        parser.addOption(portDeviceOption);
    }
};

void nameTheProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.3"));
}

// True when the arguments ask only for the help or the version text, which need no
// window system: looked at before QApplication exists, since QApplication fails at once
// where there is no display (a terminal over ssh, a build machine).
bool asksForHelpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            return false;
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (asksForHelpOrVersion(argc, argv)) {
        // QCommandLineParser prints the text and ends the program itself; it returns
        // only when the word was an option's value ("--settings --help"), and the
        // program then starts as usual.
        QCoreApplication core(argc, argv);
        nameTheProgram();
        CommandLine line;
        line.parser.process(core);
    }

    QApplication app(argc, argv);
    nameTheProgram();
    // Wayland finds the window's desktop entry, and so its icon and name, by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brenwick.qero4dlog"));

    CommandLine line;
    QCommandLineParser& parser = line.parser;
    const QCommandLineOption& settingsOption = line.settingsOption;
    const QCommandLineOption& splashOption = line.splashOption;
    const QCommandLineOption& smokeOption = line.smokeOption;
    const QCommandLineOption& simulateOption = line.simulateOption;
    const QCommandLineOption& portDeviceOption = line.portDeviceOption;
    const QCommandLineOption& splashTimingOption = line.splashTimingOption;
    parser.process(app);

    AppState state;
    std::unique_ptr<IniSettingsStore> settings =
        parser.isSet(settingsOption)
            ? std::make_unique<IniSettingsStore>(parser.value(settingsOption))
            : std::make_unique<IniSettingsStore>();
    // The devices saved for ports ("PortDevice<N>"), then the command line's on top.
    PortDevices portDevices;
    portDevices.loadOverrides(*settings);
    for (const QString& assignment : parser.values(portDeviceOption)) {
        QString error;
        if (!portDevices.parseOverride(assignment, &error)) {
            std::fprintf(stderr, "qero4d-log: --port-device: %s\n", qPrintable(error));
            return 2;
        }
    }

    SystemClock clock;
    QtPrompter dialogs;
    // The smoke test runs unattended: a message it meets (a damaged settings file) is
    // printed and answered with the button that goes on, never left waiting for a click.
    UnattendedPrompter unattended;
    Prompter& prompter = parser.isSet(smokeOption) ? static_cast<Prompter&>(unattended)
                                                   : static_cast<Prompter&>(dialogs);
    settings->onWriteFailure = [&prompter](const QString& message) {
        prompter.message(message, QStringLiteral("Settings"), Prompter::Icon::Exclamation,
                         Prompter::Ok);
    };

    // A second copy for the same user and settings would open the same serial port: it
    // brings the running copy to the front and ends. The start-up timing is a
    // measurement, not a user's start, and is left out.
    SingleInstance instance(SingleInstance::serverName(
        settings->location(),
        parser.isSet(simulateOption) ? QStringLiteral("simulated") : QString()));
    if (!parser.isSet(splashTimingOption) && instance.handOverToRunningCopy()) {
        prompter.message(SingleInstance::kAlreadyRunning, QStringLiteral("QERO4D Log"),
                         Prompter::Icon::Information, Prompter::Ok);
        return 0;
    }

    {
        frmSplash splash(state.settings, prompter, parser.value(splashOption).toInt());
        if (parser.isSet(splashTimingOption)) {
            // Drawn once the window system has put it on screen; the caller subtracts
            // the moment it started the program.
            splash.open();
            const QDeadlineTimer limit(5000);
            while ((!splash.windowHandle() || !splash.windowHandle()->isExposed()) &&
                   !limit.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            splash.repaint();
            const std::chrono::duration<double, std::milli> sinceEpoch =
                std::chrono::system_clock::now().time_since_epoch();
            std::printf("splash shown at %.3f\n", sinceEpoch.count());
            return splash.windowHandle() && splash.windowHandle()->isExposed() ? 0 : 1;
        }
        splash.showAndWait();
    }

    // The one conversation with the module, on the serial port or, with --simulate, on a
    // simulated module. In-process rather than on a pseudo-terminal: it works the same on
    // every platform (Windows has no pseudo-terminals) and needs no second process.
    // The module is declared before the session so that it outlives the link to it.
    std::unique_ptr<QeroModule> simulatedModule;
    SimulatedLink* simulatedLink = nullptr;
    std::unique_ptr<SerialLink> link;
    if (parser.isSet(simulateOption)) {
        simulatedModule = std::make_unique<QeroModule>();
        auto simulated = std::make_unique<SimulatedLink>(*simulatedModule, clock);
        simulatedLink = simulated.get();
        link = std::move(simulated);
    } else {
        link = std::make_unique<QSerialPortLink>(portDevices);
    }
    ModuleSession session(state, clock, prompter, std::move(link));

    frmMain main(state, *settings, prompter, clock, session);
    dialogs.setParent(&main);
    if (simulatedLink) {
        // The module sits on the port the settings name (known once the window has read
        // them), where the port scan finds it too.
        simulatedLink->setModulePort(state.settings.PortNumber);
        const QString note =
            QStringLiteral("Simulated QERO on Com%1").arg(state.settings.PortNumber);
        main.statusBar()->showMessage(note);
        std::fprintf(stderr, "qero4d-log: %s\n", qPrintable(note));
    }
    main.show();
    QObject::connect(&instance, &SingleInstance::raiseRequested, &main, [&main] {
        if (main.isMinimized())
            main.showNormal();
        main.show();
        main.raise();
        main.activateWindow();
        // A window the user is answering stays on top of its owner.
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->raise();
            modal->activateWindow();
        }
    });

    if (parser.isSet(smokeOption)) {
        QTimer::singleShot(0, &main, [&main] {
            QStringList menus;
            for (QAction* a : main.menuBar()->actions())
                menus << a->text();
            std::printf("main window shown: %s\nmenus: %s\n", qPrintable(main.windowTitle()),
                        qPrintable(menus.join(u' ')));
            // Shows which data folder an installation really uses.
            std::printf("help file: %s\n",
                        qPrintable(DataFiles::find(QLatin1String(HelpFile::kFileName))));
            std::fflush(stdout);
            QCoreApplication::exit(main.isVisible() ? 0 : 1);
        });
    }
    return app.exec();
}
