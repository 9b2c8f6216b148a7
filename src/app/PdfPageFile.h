// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QPdfWriter>
#include <QString>

class Prompter;

namespace PdfPageFileDetail {
// Built before the writer that draws into it.
struct Memory {
    QByteArray bytes;
    QBuffer buffer{&bytes};
    Memory() { buffer.open(QIODevice::WriteOnly); }
};
} // namespace PdfPageFileDetail

// A printout saved as a PDF file where the computer has no printer. The page is drawn
// into memory and the file written through the safe writer when the printout is done
// (this object goes away), so that a full disk leaves an older file of that name as it
// was; a failure is shown through the prompter, as the print command cannot see it.
class PdfPageFile : private PdfPageFileDetail::Memory, public QPdfWriter {
public:
    PdfPageFile(const QString& path, Prompter& prompter);
    ~PdfPageFile() override;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    Prompter& m_prompter;
};
