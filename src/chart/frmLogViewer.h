// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chart/LogViewLogic.h"
#include "logdata/Log.h"
#include "logdata/LogJoin.h"

#include <QWidget>

#include <memory>

class LogViewPlot;
class Prompter;
class SettingsStore;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTableWidget;

// The log viewer: any log, whole, in stacked panes over one time axis, with a readout of
// every trace at the marker. It is not modal, so a recording and the download can be
// looked at side by side. Which channels go in which pane is remembered per kind of
// source.
class frmLogViewer : public QWidget {
    Q_OBJECT
public:
    frmLogViewer(Log log, Prompter& prompter, SettingsStore* settings, QWidget* parent = nullptr);
    ~frmLogViewer() override;

    const Log& log() const { return *m_log; }
    LogViewLogic& logic() { return *m_logic; }
    LogViewPlot* plot() const { return m_plot; }
    QTableWidget* readoutTable() const { return m_readout; }

    // The menu commands, as the buttons run them.
    void cmdSavePicture_Click();
    void cmdExportData_Click();
    void cmdZoomAll_Click();
    void cmdAddPane_Click();
    void cmdRemovePane_Click();
    // Joins the log with the engine computer's log of the same drive, chosen in a file
    // dialog: the engine's channels are shown over the same time axis at the offset their
    // engine speeds agree best, which the offset box nudges.
    void cmdJoin_Click();
    // The log joined with `engine` (read from `path`); false, with the reason shown,
    // when the two do not match.
    bool joinWith(Log engine);
    // Joins again at another offset (engine time minus this log's time, seconds).
    void nudgeOffset(double seconds);
    bool isJoined() const { return m_engine != nullptr; }
    const LogJoin::Match& match() const { return m_match; }
    // Shows or hides a channel in the pane chosen in the pane box.
    void setChannelShown(int channel, bool shown);
    // The pane the channel list edits.
    void choosePane(int pane);

    // A key as the plot takes it: arrows move the marker, Home / End go to the ends,
    // + / - zoom. True when the key did something.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void refreshChannelList();
    void showReadouts();
    void showWindow();

    void showLog(std::unique_ptr<Log> log);

    // The log as it was opened, and the engine computer's log joined with it.
    std::unique_ptr<Log> m_own;
    std::unique_ptr<Log> m_engine;
    LogJoin::Match m_match;
    QDoubleSpinBox* m_offset = nullptr;
    QLabel* m_joinLabel = nullptr;
    std::unique_ptr<Log> m_log;
    std::unique_ptr<LogViewLogic> m_logic;
    Prompter& m_prompter;
    SettingsStore* m_settings;
    LogViewPlot* m_plot = nullptr;
    QComboBox* m_paneBox = nullptr;
    QListWidget* m_channels = nullptr;
    QTableWidget* m_readout = nullptr;
    int m_pane = 0;
    bool m_filling = false;
    // A press in the plot: where, and whether it has since moved (a drag, not a click).
    QPointF m_pressAt;
    bool m_pressed = false;
    bool m_dragged = false;
};
