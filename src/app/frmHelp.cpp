// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmHelp.h"

#include "support/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

frmHelp::frmHelp(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("QERO4D Log Help"));
    WindowPlacement::resizeToFit(*this, QSize(760, 640));
    setMinimumSize(400, 300);
    auto* layout = new QVBoxLayout(this);
    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    // Links to web pages go to the desktop's browser; links inside the guide stay here.
    txtHelp->setOpenExternalLinks(true);
    txtHelp->setSource(QUrl::fromLocalFile(path));
    layout->addWidget(txtHelp);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
}
