#include "app/CurrentPrinterProvider.h"

#include "app/CurrentPrinter.h"

#include <QFontDatabase>
#include <QPrinter>

CurrentPrinterProvider::CurrentPrinterProvider(CurrentPrinter& printer) : m_printer(printer) {}

CurrentPrinterProvider::~CurrentPrinterProvider() = default;

QPagedPaintDevice* CurrentPrinterProvider::printer() {
    m_device = m_printer.open();
    return m_device.get();
}

QStringList CurrentPrinterProvider::fontFamilies() {
    return QFontDatabase::families();
}
