// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/frmCsvColumns.h"

#include "workbench/CsvColumnGuess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kNone = QStringLiteral("(none)");
}

frmCsvColumns::frmCsvColumns(const QString& fileName, const CsvSampleSource::Preview& preview,
                             QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("The first rows of %1. Choose the columns that hold each value.")
                       .arg(fileName)));
    tblPreview = new QTableWidget(int(preview.rows.size()), int(preview.header.size()));
    tblPreview->setHorizontalHeaderLabels(preview.header);
    tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < preview.rows.size(); ++r)
        for (int c = 0; c < preview.rows[r].size() && c < preview.header.size(); ++c)
            tblPreview->setItem(r, c, new QTableWidgetItem(preview.rows[r][c]));
    tblPreview->resizeColumnsToContents();
    layout->addWidget(tblPreview, 1);

    const CsvSampleSource::Columns guess = CsvColumnGuess::guess(preview.header);
    auto* form = new QFormLayout;
    const auto combo = [&](const QString& label, const QString& chosen, bool optional) {
        auto* c = new QComboBox;
        if (optional)
            c->addItem(kNone);
        c->addItems(preview.header);
        c->setCurrentIndex(std::max(0, c->findText(chosen)));
        if (!optional && chosen.isEmpty())
            c->setCurrentIndex(-1);
        form->addRow(label, c);
        connect(c, &QComboBox::currentIndexChanged, this, &frmCsvColumns::check);
        return c;
    };
    cboTime = combo(QStringLiteral("Time (seconds)"), guess.time, false);
    cboRpm = combo(QStringLiteral("Engine speed"), guess.rpm, false);
    cboLoad = combo(QStringLiteral("Load"), guess.load, false);
    cboSensor1 = combo(QStringLiteral("Sensor 1"), guess.sensor1, false);
    cboSensor2 = combo(QStringLiteral("Sensor 2"), guess.sensor2, true);
    chkLambda = new QCheckBox(QStringLiteral("The sensor columns hold lambda"));
    chkLambda->setChecked(guess.lambda);
    form->addRow(QString(), chkLambda);
    layout->addLayout(form);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    check();
    resize(760, 480);
}

void frmCsvColumns::check() {
    // Every needed column chosen, none of them twice.
    QStringList chosen;
    bool ok = true;
    for (QComboBox* c : {cboTime, cboRpm, cboLoad, cboSensor1}) {
        ok = ok && c->currentIndex() >= 0 && !chosen.contains(c->currentText());
        chosen << c->currentText();
    }
    buttons->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

CsvSampleSource::Columns frmCsvColumns::columns() const {
    CsvSampleSource::Columns c;
    c.time = cboTime->currentText();
    c.rpm = cboRpm->currentText();
    c.load = cboLoad->currentText();
    c.sensor1 = cboSensor1->currentText();
    c.sensor2 = cboSensor2->currentText() == kNone ? QString() : cboSensor2->currentText();
    c.sensor2Optional = false;
    c.lambda = chkLambda->isChecked();
    return c;
}
