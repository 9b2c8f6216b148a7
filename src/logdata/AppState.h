#pragma once

#include "logdata/FramImage.h"
#include "logdata/LogBuffer.h"

#include <QString>
#include <QStringList>

// The program's process-wide values, created once at start-up and handed to whoever
// needs them, so that a test can build a fresh one.
struct AppState {
    LogBuffer log;
    FramImage fram;

    // Settings that are not header values of the log.
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

    // Number pattern of every shown or printed AFR, derived from the ratio.
    QString AFRFormat = QStringLiteral("#0.0");

    // The configuration file's three sections.
    QStringList ConfigList1;
    QStringList ConfigList2;
    QStringList ConfigList3;

    QString MainCaption = QStringLiteral("QERO Dual Channel Data Logging Program Version 4.3");

    bool RealTimeActive = false;
    bool AbortRequested = false;

    // Module command results.
    bool CommandOK = false;
    QString FirmwareID;
    QString QEROVersion;
    qint16 CommErrorCount = 0;

    // Set while the AFR table window holds a merged file.
    bool AddedFileLoaded = false;

    // "#0.000" below 2, "#0.00" from 2 to 10 inclusive, "#0.0" above 10.
    static QString afrFormatFor(float stoichRatio);
    void updateAFRFormat() { AFRFormat = afrFormatFor(log.StoichRatio); }
};
