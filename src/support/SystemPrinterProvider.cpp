// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SystemPrinterProvider.h"

#include <QFontDatabase>
#include <QPrinter>
#include <QPrinterInfo>

SystemPrinterProvider::SystemPrinterProvider() = default;
SystemPrinterProvider::~SystemPrinterProvider() = default;

QPagedPaintDevice* SystemPrinterProvider::printer() {
    // A fresh printer each time, so that a change of the system's default printer
    // between two printouts is followed.
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QPrinterInfo current = QPrinterInfo::defaultPrinter();
    if (!current.isNull())
        m_printer->setPrinterName(current.printerName());
    return m_printer.get();
}

QStringList SystemPrinterProvider::fontFamilies() {
    return QFontDatabase::families();
}
