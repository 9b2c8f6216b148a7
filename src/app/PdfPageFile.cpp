// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PdfPageFile.h"

#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

PdfPageFile::PdfPageFile(const QString& path, Prompter& prompter)
    : QPdfWriter(&buffer), m_path(path), m_prompter(prompter) {
    setCreator(QStringLiteral("QERO4D Log"));
    setResolution(1200);
}

PdfPageFile::~PdfPageFile() {
    // Nothing drawn (the print command stopped before painting): no file either.
    if (bytes.isEmpty())
        return;
    try {
        SafeWrite::writeFile(m_path, bytes);
    } catch (const QeroFailure& failure) {
        m_prompter.message(failure.description(), QStringLiteral("Print"), Prompter::Icon::Critical,
                           Prompter::Ok);
    }
}
