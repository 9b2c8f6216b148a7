#include "app/CurrentPrinter.h"

#include "logdata/FileChooser.h"

#include "app/PdfPageFile.h"
#include "support/Prompter.h"

#include <QPrinter>
#include <QPrinterInfo>

CurrentPrinter::CurrentPrinter(Prompter& prompter)
    : m_prompter(prompter), m_printerList([] { return QPrinterInfo::availablePrinterNames(); }) {}

CurrentPrinter::~CurrentPrinter() = default;

void CurrentPrinter::configure(QPrinter& printer) const {
    // A chosen printer that has since been removed falls back to the default one.
    const QStringList installed = m_printerList();
    if (!m_printerName.isEmpty() && installed.contains(m_printerName))
        printer.setPrinterName(m_printerName);
    if (m_layout)
        printer.setPageLayout(*m_layout);
}

std::unique_ptr<QPagedPaintDevice> CurrentPrinter::open() {
    if (!m_printerList().isEmpty()) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        configure(*printer);
        return printer;
    }
    const Prompter::Button answer = m_prompter.message(
        QStringLiteral("There is no printer installed on this computer.\n\nSave the page as "
                       "a PDF file instead?"),
        QStringLiteral("Print"), Prompter::Icon::Exclamation, Prompter::Yes | Prompter::No);
    if (answer != Prompter::Yes)
        return nullptr;
    QString path = m_prompter.saveFileName(QStringLiteral("Save Page as PDF"),
                                           QStringLiteral("PDF files (*.pdf)|*.pdf"),
                                           FileChooser::startFolder(m_settings));
    if (path.isEmpty())
        return nullptr;
    FileChooser::rememberFolder(m_settings, path);
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    auto file = std::make_unique<PdfPageFile>(path, m_prompter);
    if (m_layout)
        file->setPageLayout(*m_layout);
    return file;
}

void CurrentPrinter::remember(const QPrinter& printer) {
    // "Print to file" in the dialog is a one-off output, not a printer to keep.
    if (printer.outputFormat() == QPrinter::NativeFormat)
        m_printerName = printer.printerName();
    m_layout = std::make_unique<QPageLayout>(printer.pageLayout());
}
