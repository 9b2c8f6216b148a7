// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrinterProvider.h"

#include <memory>

class QPrinter;

// The system's current (default) printer, used without a printer dialog.
class SystemPrinterProvider : public PrinterProvider {
public:
    SystemPrinterProvider();
    ~SystemPrinterProvider() override;

    QPagedPaintDevice* printer() override;
    QStringList fontFamilies() override;

private:
    std::unique_ptr<QPrinter> m_printer;
};
