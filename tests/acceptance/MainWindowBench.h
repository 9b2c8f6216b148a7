// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QeroModule.h"
#include "SimulatedLink.h"
#include "app/CurrentPrinter.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "device/ModuleSession.h"
#include "logdata/AppState.h"
#include "logdata/DownloadArchive.h"
#include "support/DataFiles.h"
#include "support/IniSettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <utility>

// Answers the modal windows the program opens with exec() (chart, AFR table, fuel type,
// analog scaling, printer set-up). Each expected window gets one action, in order; the
// action runs while the window is up and the window is closed afterwards if the action
// left it open. A window nobody expected is noted and closed, so a test never hangs.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QWidget&)>;

    ModalScript() {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start();
    }

    // The next modal window must inherit `className`; `action` then runs on it.
    void expect(const char* className, Action action = {}) {
        m_steps.push_back({QByteArray(className), std::move(action)});
    }
    template <class Window> void expect(std::function<void(Window&)> action = {}) {
        expect(Window::staticMetaObject.className(), [action](QWidget& w) {
            if (action)
                action(static_cast<Window&>(w));
        });
    }
    // Every modal window from now on is closed without a look (commands whose windows
    // are not the point of the test).
    void closeEverything(bool on = true) { m_closeAll = on; }

    // Class names of the windows that came up, in order.
    const QStringList& seen() const { return m_seen; }
    // Windows that came up without an expectation, or of another kind than expected.
    const QStringList& unexpected() const { return m_unexpected; }
    int pending() const { return int(m_steps.size()); }

private:
    struct Step {
        QByteArray className;
        Action action;
    };

    void tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || m_busy)
            return;
        m_busy = true;
        const QString name = QString::fromLatin1(modal->metaObject()->className());
        m_seen << name;
        if (!m_closeAll) {
            if (m_steps.empty() || !modal->inherits(m_steps.front().className.constData())) {
                m_unexpected << name;
            } else {
                const Step step = std::move(m_steps.front());
                m_steps.pop_front();
                if (step.action)
                    step.action(*modal);
            }
        }
        if (modal->isVisible())
            modal->close();
        m_busy = false;
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    QStringList m_seen;
    QStringList m_unexpected;
    bool m_closeAll = false;
    bool m_busy = false;
};

// The whole program as a user meets it, without hardware and without a person: the real
// main window with its menus, the simulated module on the port the settings name (as
// --simulate wires it), everything on the virtual clock, every message box and file dialog
// answered by the script, every modal window by the modal script, the settings in a
// scratch file, data files from a scratch folder first and then the shipped ones. The
// machine is treated as one without a printer, so a printout is offered as a PDF file.
struct MainWindowBench {
    struct Options {
        QeroModule::Model model = QeroModule::Model::Qero4dRev3;
        // The shipped example configuration (scan and auto-connect offered) as the
        // program's configuration file.
        bool exampleConfiguration = false;
        // Settings present before the program starts.
        QList<std::pair<QString, QString>> settings;
    };

    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<IniSettingsStore> settings;
    ScriptedPrompter prompter;
    VirtualClock clock;
    QeroModule module;
    SimulatedLink* link = nullptr;
    ModalScript modals;
    std::unique_ptr<ModuleSession> session;
    std::unique_ptr<frmMain> window;

    MainWindowBench() : MainWindowBench(Options{}) {}
    explicit MainWindowBench(const Options& options) : module(options.model) {
        settings = std::make_unique<IniSettingsStore>(path(QStringLiteral("settings.ini")));
        // Kept downloads go to the scratch folder, never into the user's data folder.
        settings->setValue(DownloadArchive::kFolderKey, downloadsFolder());
        for (const auto& [key, value] : options.settings)
            settings->setValue(key, value);
        if (options.exampleConfiguration)
            QFile::copy(QStringLiteral(QERO_SOURCE_DATA "/examples/QERO4D_Log.cfg.example"),
                        path(QStringLiteral("QERO4D_Log.cfg")));
        DataFiles::setSearchFolders({dir.path(), QStringLiteral(QERO_SOURCE_DATA)});
        {
            frmSplash splash(state.settings, prompter);
        } // reads the configuration file, as at start-up
        auto simulated = std::make_unique<SimulatedLink>(module, clock);
        link = simulated.get();
        session = std::make_unique<ModuleSession>(state, clock, prompter, std::move(simulated));
        window = std::make_unique<frmMain>(state, *settings, prompter, clock, *session);
        // The tests run the start-up check and the polling ticks themselves.
        window->tmrStateMachine->stop();
        window->tmrDataRead->stop();
        // As --simulate does: the module on the port the settings name.
        link->setModulePort(state.settings.PortNumber);
        window->printer().setPrinterList([] { return QStringList(); });
        for (QAction* action : menuActions()) {
            QObject::connect(action, &QAction::triggered, action,
                             [name = action->objectName()] { exercised().insert(name); });
            // A submenu is exercised when one of its entries is chosen.
            if (QMenu* submenu = action->menu())
                QObject::connect(submenu, &QMenu::triggered, action,
                                 [name = action->objectName()] { exercised().insert(name); });
        }
        window->resize(1000, 760);
        window->show();
        prompter.clear();
    }

    ~MainWindowBench() {
        window.reset();
        DataFiles::setSearchFolders({});
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString downloadsFolder() const { return path(QStringLiteral("downloads")); }

    // Every entry of every menu of the menu bar, separators left out.
    QList<QAction*> menuActions() const {
        QList<QAction*> out;
        for (QAction* top : window->menuBar()->actions())
            if (top->menu())
                for (QAction* a : top->menu()->actions())
                    if (!a->isSeparator())
                        out << a;
        return out;
    }

    QAction* action(const QString& objectName) const {
        for (QAction* a : menuActions())
            if (a->objectName() == objectName)
                return a;
        return nullptr;
    }

    // Menu entries triggered by any bench of this test program.
    static QSet<QString>& exercised() {
        static QSet<QString> names;
        return names;
    }

    // Types `text` into a box and leaves it, which validates it.
    static void leave(QLineEdit* box, const QString& text) {
        box->setText(text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box, &out);
    }

    std::optional<QString> setting(const QString& key) const { return settings->value(key); }

    // Message boxes (not inputs or file dialogs) with this title.
    QList<ScriptedPrompter::Box> boxesTitled(const QString& title) const {
        QList<ScriptedPrompter::Box> out;
        for (const ScriptedPrompter::Box& box : prompter.messages())
            if (box.title == title)
                out << box;
        return out;
    }
};
