// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CurrentPrinter.h"

#include "support/FileChooser.h"

#include "app/PdfPageFile.h"
#include "support/Prompter.h"

#include <QFileInfo>
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
    // The set-up dialog opens again on "Print to File (PDF)" when that was the choice.
    if (m_toPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdfFile);
    }
}

std::unique_ptr<QPagedPaintDevice> CurrentPrinter::open() {
    // Chosen in Print Setup, a PDF file is where printouts go, printers or not.
    if (m_toPdf)
        return pdfFile();
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
    return pdfFile();
}

std::unique_ptr<QPagedPaintDevice> CurrentPrinter::pdfFile() {
    // Asked for each printout, starting in the folder of the file named in Print Setup,
    // so that one printout never silently replaces the one before.
    const QString folder =
        m_toPdf && !m_pdfFile.isEmpty() && QFileInfo(QFileInfo(m_pdfFile).absolutePath()).isDir()
            ? QFileInfo(m_pdfFile).absolutePath()
            : FileChooser::startFolder(m_settings);
    QString path = m_prompter.saveFileName(QStringLiteral("Save Page as PDF"),
                                           QStringLiteral("PDF files (*.pdf)|*.pdf"), folder);
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
    // "Print to File (PDF)" is a choice like a printer: printouts become PDF files until
    // a printer is chosen again.
    // The dialog names the file for it; a printer on a computer without printers is PDF
    // by default, without a file, and is no such choice.
    m_toPdf = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    if (m_toPdf)
        m_pdfFile = printer.outputFileName();
    else
        m_printerName = printer.printerName();
    m_layout = std::make_unique<QPageLayout>(printer.pageLayout());
}
