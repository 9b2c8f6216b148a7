// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmSplash.h"

#include "support/ConfigFile.h"
#include "support/DataFiles.h"
#include "support/ErrorReport.h"
#include "support/Numbers.h"
#include "support/QeroFailure.h"
#include "support/SettingsValues.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

frmSplash::frmSplash(SettingsValues& settings, Prompter& prompter, int showMs, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint), m_settings(settings),
      m_prompter(prompter) {
    setObjectName(QStringLiteral("frmSplash"));
    setModal(true);
    setStyleSheet(QStringLiteral("frmSplash { background: #f4f1ea; border: 2px solid #1d3557; }"));

    lblCompanyName = new QLabel(this);
    lblCompanyName->setObjectName(QStringLiteral("lblCompanyName"));
    lblCompanyName->setStyleSheet(QStringLiteral("color: #1d3557;"));
    QFont companyFont(QStringLiteral("Arial"));
    companyFont.setBold(true);
    companyFont.setItalic(true);
    lblCompanyName->setFont(companyFont);

    lblProductName = new QLabel(QStringLiteral("QERO Dual Channel Data Logging"), this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont productFont(QStringLiteral("Arial"));
    productFont.setPointSizeF(18);
    productFont.setBold(true);
    lblProductName->setFont(productFont);

    lblVersion = new QLabel(QStringLiteral("Version 4.3"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    QFont versionFont(QStringLiteral("Arial"));
    versionFont.setPointSizeF(12);
    versionFont.setBold(true);
    lblVersion->setFont(versionFont);

    lblNotice = new QLabel(
        QStringLiteral("Wideband air/fuel ratio logging for the QERO module. Use at your own risk "
                       "on closed courses; always tune with care."),
        this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setWordWrap(true);
    QFont noticeFont(QStringLiteral("Arial"));
    noticeFont.setPointSizeF(8.25);
    lblNotice->setFont(noticeFont);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setMinimumSize(120, 80);
    imgLogo->setAlignment(Qt::AlignCenter);

    auto* text = new QVBoxLayout;
    text->addWidget(lblCompanyName);
    text->addSpacing(8);
    text->addWidget(lblProductName);
    text->addWidget(lblVersion);
    text->addStretch();
    text->addWidget(lblNotice);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 24, 24, 18);
    row->addWidget(imgLogo);
    row->addSpacing(18);
    row->addLayout(text, 1);
    setMinimumWidth(600);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    tmrSplashUnload = new QTimer(this);
    tmrSplashUnload->setObjectName(QStringLiteral("tmrSplashUnload"));
    tmrSplashUnload->setSingleShot(true);
    // A negative interval would leave the timer stopped and the splash up for good: it
    // means "close at once".
    tmrSplashUnload->setInterval(std::max(0, showMs));
    connect(tmrSplashUnload, &QTimer::timeout, this, &frmSplash::tmrSplashUnload_Timer);

    Form_Load();
    tmrSplashUnload->start();
}

void frmSplash::Form_Load() {
    ConfigFile::load(m_settings, m_prompter, DataFiles::find(QLatin1String(ConfigFile::kFileName)));
    const QStringList& list1 = m_settings.ConfigList1;
    auto item = [&](int i) { return i <= list1.size() ? list1[i - 1] : QString(); };

    lblCompanyName->setText(item(1));
    QFont f = lblCompanyName->font();
    f.setFamily(item(2));
    const double size = Numbers::leadingNumber(item(3));
    if (size > 0 && size < 500)
        f.setPointSizeF(size);
    f.setBold(item(4).contains(QLatin1String("bold"), Qt::CaseInsensitive));
    f.setItalic(item(4).contains(QLatin1String("italic"), Qt::CaseInsensitive));
    lblCompanyName->setFont(f);

    if (item(5).toUpper() != QLatin1String("NULL")) {
        ErrorReport::runStep(m_prompter, [&] {
            const QString path = DataFiles::find(item(5));
            QImageReader reader(path);
            const QImage image = reader.read();
            if (image.isNull())
                throw QeroFailure(QStringLiteral("Splash"),
                                  QStringLiteral("File not found: %1").arg(path));
            imgLogo->setPixmap(QPixmap::fromImage(
                image.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        });
    }
    QCoreApplication::setApplicationName(QStringLiteral("QERO4D_Log"));
}

void frmSplash::tmrSplashUnload_Timer() {
    accept();
}

int frmSplash::showAndWait() {
    QEventLoop wait;
    bool closed = false;
    const auto connection = connect(this, &QDialog::finished, &wait, [&] {
        closed = true;
        wait.quit();
    });
    open();
    if (!closed)
        wait.exec();
    disconnect(connection);
    return result();
}
