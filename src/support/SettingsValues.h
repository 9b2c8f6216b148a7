// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The user's settings that are not header values of the log, the AFR table's parameters
// and the configuration file's lists: everything the program was told rather than measured.
struct SettingsValues {
    qint16 PortNumber = 1;
    bool AutoConnect = false;
    float PulsePerRev = 1.0f;
    quint8 RPMDebounce = 10;
    quint8 MinLEDPWM = 15;
    QString AFRTableData = QStringLiteral("Sensor 1");

    // AFR table parameters: reset each time the table window opens, never saved.
    QString AFRTableDisplay = QStringLiteral("AFR");
    float AFRTarget = 13.2f;
    qint16 MinSampleNum = 5;

    // Number pattern of every shown or printed AFR, derived from the fuel's ratio.
    QString AFRFormat = QStringLiteral("#0.0");

    // The configuration file's three sections.
    QStringList ConfigList1;
    QStringList ConfigList2;
    QStringList ConfigList3;
};
