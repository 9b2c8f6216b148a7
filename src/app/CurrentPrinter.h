// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Prompter;
class QPagedPaintDevice;
class QPrinter;

// The printer that printouts go to: the system's default printer until File > Print Setup
// chooses another one (with its paper and orientation). One object is shared by the main
// window and the windows that print. It shows no window itself.
class SettingsStore;

class CurrentPrinter {
public:
    explicit CurrentPrinter(Prompter& prompter);
    ~CurrentPrinter();

    // The printer chosen in Print Setup; empty means the system's default printer.
    QString printerName() const { return m_printerName; }
    // "Print to File (PDF)" was chosen in Print Setup.
    bool printsToPdf() const { return m_toPdf; }

    // A fresh printer for one printout, set up as chosen. Where the computer has no
    // printer at all, says so and offers to save the page as a PDF file instead (a
    // PdfPageFile, written when the device goes away); null when nothing is to be
    // printed (no printer and the offer declined).
    std::unique_ptr<QPagedPaintDevice> open();

    // A printer set up as currently chosen, for the printer set-up dialog to start from.
    void configure(QPrinter& printer) const;
    // Takes over the choice made on `printer` (what the set-up dialog leaves behind):
    // the printer, paper and orientation for later printouts.
    void remember(const QPrinter& printer);

    // Where the PDF file dialog starts and what it remembers (LastFolder); none: the
    // documents folder.
    void setSettings(SettingsStore* settings) { m_settings = settings; }

    // The names of the installed printers; tests replace the system's list.
    void setPrinterList(std::function<QStringList()> list) { m_printerList = std::move(list); }

private:
    // The PDF file a printout goes to, asked for now.
    std::unique_ptr<QPagedPaintDevice> pdfFile();

    Prompter& m_prompter;
    SettingsStore* m_settings = nullptr;
    bool m_toPdf = false;
    QString m_pdfFile;
    std::function<QStringList()> m_printerList;
    QString m_printerName;
    std::unique_ptr<QPageLayout> m_layout;
};
