// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QPaintDevice;

// Paints the printed AFR table: monospaced lines of text, each starting at the same
// character column, from a fixed distance below the top of the page.
namespace AFRTablePage {

// Throws QeroFailure when the device cannot be painted on (no printer, no file).
void paint(QPaintDevice& device, const QString& fontFamily, const QStringList& lines);

} // namespace AFRTablePage
