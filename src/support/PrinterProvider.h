// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QPagedPaintDevice;

// Where a printout goes. Every window that prints (the chart, the AFR table) prints
// through this, so that File > Print Setup can choose the device and tests can print to
// a PDF file.
class PrinterProvider {
public:
    virtual ~PrinterProvider() = default;
    // The device for one document; owned by the provider. Painting on it and ending the
    // painter sends the page. Null when there is no printer at all.
    virtual QPagedPaintDevice* printer() = 0;
    // The printout on the last device is complete: a device that stands for a file
    // writes it now.
    virtual void finish() {}
    // The font families the printer can use.
    virtual QStringList fontFamilies() = 0;
};
