#include "app/QtPrompter.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "logdata/AppState.h"
#include "support/IniSettingsStore.h"
#include "support/SystemClock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.3"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("QERO4D Log: download, chart and tune with the QERO dual-channel "
                       "wideband module."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("Keep the settings in this INI file instead of the per-user store."),
        QStringLiteral("file"));
    QCommandLineOption splashOption(QStringLiteral("splash-ms"),
                                    QStringLiteral("Show the splash window this long (4000)."),
                                    QStringLiteral("ms"), QStringLiteral("4000"));
    QCommandLineOption smokeOption(
        QStringLiteral("smoke-test"),
        QStringLiteral("Start, print the main window's title and menus once it is shown, "
                       "and exit."));
    parser.addOption(settingsOption);
    parser.addOption(splashOption);
    parser.addOption(smokeOption);
    parser.process(app);

    AppState state;
    std::unique_ptr<IniSettingsStore> settings =
        parser.isSet(settingsOption)
            ? std::make_unique<IniSettingsStore>(parser.value(settingsOption))
            : std::make_unique<IniSettingsStore>();
    SystemClock clock;
    QtPrompter prompter;

    {
        frmSplash splash(state, prompter, parser.value(splashOption).toInt());
        splash.showAndWait();
    }

    frmMain main(state, *settings, prompter, clock);
    prompter.setParent(&main);
    main.show();

    if (parser.isSet(smokeOption)) {
        QTimer::singleShot(0, &main, [&main] {
            QStringList menus;
            for (QAction* a : main.menuBar()->actions())
                menus << a->text();
            std::printf("main window shown: %s\nmenus: %s\n", qPrintable(main.windowTitle()),
                        qPrintable(menus.join(u' ')));
            std::fflush(stdout);
            QCoreApplication::exit(main.isVisible() ? 0 : 1);
        });
    }
    return app.exec();
}
