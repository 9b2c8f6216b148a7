// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/CsvSampleSource.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QTableWidget;

// Which columns of another tool's CSV file hold the time, engine speed, load and sensor
// ratios, chosen over a preview of the file's first rows; the likely columns are chosen
// to start with.
class frmCsvColumns : public QDialog {
    Q_OBJECT
public:
    frmCsvColumns(const QString& fileName, const CsvSampleSource::Preview& preview,
                  QWidget* parent = nullptr);

    static inline const QString kTitle = QStringLiteral("CSV Columns");
    static constexpr int kPreviewRows = 10;

    CsvSampleSource::Columns columns() const;

    QTableWidget* tblPreview = nullptr;
    QComboBox* cboTime = nullptr;
    QComboBox* cboRpm = nullptr;
    QComboBox* cboLoad = nullptr;
    QComboBox* cboSensor1 = nullptr;
    QComboBox* cboSensor2 = nullptr;
    QCheckBox* chkLambda = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void check();
};
