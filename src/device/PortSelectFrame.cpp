// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortSelectFrame.h"

#include "device/ModuleSession.h"
#include "device/PortSetup.h"
#include "logdata/SettingsTable.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/SettingsStore.h"
#include "support/SettingsValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <vector>

PortSelectFrame::PortSelectFrame(SettingsValues& values, SettingsStore& settings,
                                 Prompter& prompter, ModuleSession& module,
                                 ProgressReport& progress, QWidget* parent)
    : QGroupBox(QStringLiteral("Data Port Setup"), parent), m_values(values), m_settings(settings),
      m_prompter(prompter), m_module(module), m_progress(progress) {
    setObjectName(QStringLiteral("fraPortSelect"));
    auto* grid = new QGridLayout(this);
    lblPort = new QLabel(QStringLiteral("Port"), this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    cboPort = new QComboBox(this);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboPort->setMaxVisibleItems(16);
    cboPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblPort->setBuddy(cboPort);
    chkAutoConnect = new QCheckBox(QStringLiteral("Auto Connect"), this);
    chkAutoConnect->setObjectName(QStringLiteral("chkAutoConnect"));
    cmdPortScan = new QPushButton(QStringLiteral("Scan "), this);
    cmdPortScan->setObjectName(QStringLiteral("cmdPortScan"));
    cmdPortSelectOK = new QPushButton(QStringLiteral("OK"), this);
    cmdPortSelectOK->setObjectName(QStringLiteral("cmdPortSelectOK"));
    grid->addWidget(lblPort, 0, 0);
    grid->addWidget(cboPort, 0, 1);
    grid->addWidget(cmdPortScan, 0, 2);
    grid->addWidget(chkAutoConnect, 1, 1);
    grid->addWidget(cmdPortSelectOK, 1, 2);
    grid->setColumnStretch(3, 1);
    cmdPortScan->hide();
    chkAutoConnect->hide();

    connect(cboPort, &QComboBox::currentIndexChanged, this, [this] { cboPort_Click(); });
    connect(chkAutoConnect, &QCheckBox::stateChanged, this, [this] { chkAutoConnect_Click(); });
    connect(cmdPortSelectOK, &QPushButton::clicked, this, [this] { cmdPortSelectOK_Click(); });
    connect(cmdPortScan, &QPushButton::clicked, this, [this] { cmdPortScan_Click(); });
}

void PortSelectFrame::fillPortList() {
    {
        const QSignalBlocker quiet(cboPort);
        cboPort->clear();
        // The ports that are there now come first, so that the adapter just plugged in
        // is found without reading through 255 names; each keeps its number as data.
        struct Entry {
            int port;
            QString text;
            bool present;
        };
        std::vector<Entry> entries;
        for (int k = 1; k <= 255; ++k) {
            const SerialLink::PortListing listing = m_module.link().portListing(k);
            entries.push_back({k, portText(k, listing), listing.present});
        }
        std::stable_partition(entries.begin(), entries.end(),
                              [](const Entry& e) { return e.present; });
        for (const Entry& e : entries)
            cboPort->addItem(e.text, e.port);
        cboPort->setCurrentIndex(-1);
    }
    // Selecting from the program runs the same handler as a choice by the user. A saved
    // port outside the list selects nothing and is left as it is.
    if (m_values.PortNumber >= 1 && m_values.PortNumber <= 255)
        cboPort->setCurrentIndex(cboPort->findData(int(m_values.PortNumber)));
}

void PortSelectFrame::showPanel() {
    cmdPortScan->hide();
    chkAutoConnect->hide();
    const PortSetup::Features f = PortSetup::features(m_values.ConfigList3);
    cmdPortScan->setVisible(f.portScan);
    chkAutoConnect->setVisible(f.autoConnect);
    m_values.AutoConnect = PortSetup::autoConnectOnOpening(f.autoConnect, m_settings);
    if (f.autoConnect)
        chkAutoConnect->setChecked(m_values.AutoConnect);
    show();
}

QString PortSelectFrame::portText(int port, const SerialLink::PortListing& listing) {
    QString text = QStringLiteral("Com") + QString::number(port);
    if (listing.device.isEmpty())
        return text;
    text += QStringLiteral(" \u2014 ") + listing.device;
    if (!listing.product.isEmpty())
        text += QStringLiteral(", ") + listing.product;
    if (!listing.present)
        text += QStringLiteral(" (not connected)");
    return text;
}

int PortSelectFrame::selectedPort() const {
    return cboPort->currentIndex() < 0 ? 0 : cboPort->currentData().toInt();
}

void PortSelectFrame::cboPort_Click() {
    const int port = selectedPort();
    if (port < 1)
        return;
    ErrorReport::runStep(m_prompter, [&] {
        PortSetup setup(m_values, m_module.protocol());
        // The list is ordered by presence; the setup counts ports from Com1.
        setup.selectPort(port - 1, m_settings);
    });
}

void PortSelectFrame::chkAutoConnect_Click() {
    if (!chkAutoConnect->isChecked())
        return;
    QString text =
        QStringLiteral("Make sure that the correct port has been selected for the QERO.");
    if (!cmdPortScan->isHidden())
        text += QStringLiteral("\r\nYou can click on the Scan button to find the QERO port.");
    m_prompter.message(text, QStringLiteral("Auto Connect"), Prompter::Icon::None, Prompter::Ok);
}

void PortSelectFrame::cmdPortSelectOK_Click() {
    m_values.AutoConnect = !chkAutoConnect->isHidden() && chkAutoConnect->isChecked();
    SettingsTable::save(m_settings, QStringLiteral("AutoConnect"), m_values.AutoConnect);
    hide();
}

void PortSelectFrame::cmdPortScan_Click() {
    const QString title = QStringLiteral("Port Scan");
    const auto go = m_prompter.message(
        QStringLiteral("This function will scan all ports on your PC. Make sure that the QERO\r\n"
                       "is connected and power is turned on. Make sure that any other devices\r\n"
                       "or systems attached to your PC that could be adversely affected are\r\n"
                       "powered down before proceeding."),
        title, Prompter::Icon::None, Prompter::Ok | Prompter::Cancel);
    if (go != Prompter::Ok)
        return;
    ErrorReport::runStep(m_prompter, [&] {
        PortSetup setup(m_values, m_module.protocol());
        const qint16 found =
            setup.PortScan(PortSetup::kScanLastPort, PortSetup::kIdentity, &m_progress);
        if (found < 1) {
            m_prompter.message(QStringLiteral("No QERO found. Check Check cable and module power."),
                               title, Prompter::Icon::None, Prompter::Ok);
            return;
        }
        m_prompter.message(QStringLiteral("Found QERO on port ") +
                               Numbers::format(found, QStringLiteral("##0")),
                           title, Prompter::Icon::None, Prompter::Ok);
        cboPort->setCurrentIndex(cboPort->findData(int(found)));
        m_values.PortNumber = found;
        SettingsTable::save(m_settings, QStringLiteral("CommPort"), int(found));
    });
}
