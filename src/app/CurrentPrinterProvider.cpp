// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CurrentPrinterProvider.h"

#include "app/CurrentPrinter.h"

#include <QFontDatabase>
#include <QPagedPaintDevice>

CurrentPrinterProvider::CurrentPrinterProvider(CurrentPrinter& printer) : m_printer(printer) {}

CurrentPrinterProvider::~CurrentPrinterProvider() = default;

QPagedPaintDevice* CurrentPrinterProvider::printer() {
    m_device = m_printer.open();
    return m_device.get();
}

void CurrentPrinterProvider::finish() {
    // A PDF file in place of a printer is written now, not when the table closes.
    m_device.reset();
}

QStringList CurrentPrinterProvider::fontFamilies() {
    return QFontDatabase::families();
}
