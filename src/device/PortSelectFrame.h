#pragma once

#include <QGroupBox>

#include <functional>

class ModuleProtocol;
class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class ProgressReport;
class SettingsStore;
struct AppState;

// The port setup panel of the main window: the port list Com1 to Com255 (each with the
// device it stands for here), the auto-connect choice and the port scan, the last two
// only when the configuration file enables them.
class PortSelectFrame : public QGroupBox {
    Q_OBJECT
public:
    using DeviceNameFn = std::function<QString(int portNumber)>;
    // Looked up at each use: the link under the protocol may be replaced.
    using ProtocolFn = std::function<ModuleProtocol&()>;

    PortSelectFrame(AppState& state, SettingsStore& settings, Prompter& prompter,
                    ProtocolFn protocol, ProgressReport& progress, DeviceNameFn deviceName,
                    QWidget* parent = nullptr);

    // Start-up: fills the list and selects PortNumber, which runs cboPort_Click.
    void fillPortList();
    // Shows the panel with the controls the configuration file enables.
    void showPanel();

    void cboPort_Click();
    void chkAutoConnect_Click();
    void cmdPortSelectOK_Click();
    void cmdPortScan_Click();

    QLabel* lblPort = nullptr;
    QComboBox* cboPort = nullptr;
    QCheckBox* chkAutoConnect = nullptr;
    QPushButton* cmdPortScan = nullptr;
    QPushButton* cmdPortSelectOK = nullptr;

private:
    AppState& m_state;
    SettingsStore& m_settings;
    Prompter& m_prompter;
    ProtocolFn m_protocol;
    ProgressReport& m_progress;
    DeviceNameFn m_deviceName;
};
