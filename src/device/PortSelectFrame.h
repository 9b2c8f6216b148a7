// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/SerialLink.h"

#include <QGroupBox>

class ModuleSession;
class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class ProgressReport;
class SettingsStore;
struct SettingsValues;

// The port setup panel of the main window: the port list Com1 to Com255 (each with the
// device it stands for here), the auto-connect choice and the port scan, the last two
// only when the configuration file enables them.
class PortSelectFrame : public QGroupBox {
    Q_OBJECT
public:
    // `values` holds the port choice and the features the configuration file enables.
    PortSelectFrame(SettingsValues& values, SettingsStore& settings, Prompter& prompter,
                    ModuleSession& module, ProgressReport& progress, QWidget* parent = nullptr);

    // Start-up: fills the list and selects PortNumber, which runs cboPort_Click.
    void fillPortList();
    // Shows the panel with the controls the configuration file enables.
    void showPanel();

    void cboPort_Click();
    // The port the list's choice stands for (0: none); the list is not in number order.
    int selectedPort() const;
    // "Com1 \u2014 /dev/ttyUSB0, FT232R USB UART"; "(not connected)" after a device that
    // is not there now; the bare name where nothing stands for the number.
    static QString portText(int port, const SerialLink::PortListing& listing);
    void chkAutoConnect_Click();
    void cmdPortSelectOK_Click();
    void cmdPortScan_Click();

    QLabel* lblPort = nullptr;
    QComboBox* cboPort = nullptr;
    QCheckBox* chkAutoConnect = nullptr;
    QPushButton* cmdPortScan = nullptr;
    QPushButton* cmdPortSelectOK = nullptr;

private:
    SettingsValues& m_values;
    SettingsStore& m_settings;
    Prompter& m_prompter;
    ModuleSession& m_module;
    ProgressReport& m_progress;
};
