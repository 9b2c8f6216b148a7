// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrinterProvider.h"

#include <memory>

class CurrentPrinter;

// Lets the AFR table print to the printer chosen in File > Print Setup (or to a PDF file
// where there is no printer).
class CurrentPrinterProvider : public PrinterProvider {
public:
    explicit CurrentPrinterProvider(CurrentPrinter& printer);
    ~CurrentPrinterProvider() override;

    QPagedPaintDevice* printer() override;
    QStringList fontFamilies() override;
    void finish() override;

private:
    CurrentPrinter& m_printer;
    std::unique_ptr<QPagedPaintDevice> m_device;
};
