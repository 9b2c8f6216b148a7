// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/frmAFRTable.h"

#include "afrtable/AFRTableFields.h"
#include "afrtable/AFRTableMerge.h"
#include "afrtable/AFRTableOptions.h"
#include "afrtable/AFRTablePage.h"
#include "afrtable/AFRTablePrintout.h"
#include "logdata/AppState.h"
#include "logdata/SettingsTable.h"
#include "support/ErrorReport.h"
#include "support/FocusValidator.h"
#include "support/Numbers.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SettingsStore.h"
#include "support/SystemPrinterProvider.h"
#include "support/WindowPlacement.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPagedPaintDevice>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kLightCyan(128, 255, 255);
const QColor kLightRed(255, 128, 128);

// The grid sits this far in from the window's left edge and below its top (twips).
constexpr int kGridLeft = 126;
constexpr int kGridTop = 2016;
constexpr int kWidthAllowance = 300;
constexpr int kHeightAllowance = 2400;

} // namespace

frmAFRTable::frmAFRTable(AppState& state, SettingsStore& settings, Prompter& prompter,
                         std::function<void(const QString&)> setCaptionSuffix,
                         PrinterProvider* printers, QWidget* parent)
    : QDialog(parent), m_state(state), m_settings(settings), m_prompter(prompter),
      m_setCaptionSuffix(std::move(setCaptionSuffix)), m_printers(printers) {
    if (!m_printers) {
        m_ownPrinters = std::make_unique<SystemPrinterProvider>();
        m_printers = m_ownPrinters.get();
    }
    setObjectName(QStringLiteral("frmAFRTable"));
    setWindowTitle(QStringLiteral("QERO Dual Channel Data Logging Program - AFR Table"));
    setModal(true);
    buildControls();
    // A 1366x768 screen has room for about 690 pixels under the title bar and above the
    // task bar; the 31 rows still show whole at that height.
    WindowPlacement::resizeToFit(*this, QSize(860, 690));
    setMinimumSize(QSize(480, 360).boundedTo(clientMinimumSize()));
    WindowPlacement::remember(*this, m_settings, QStringLiteral("AFRTableWindowGeometry"));
    Form_Load();
}

frmAFRTable::~frmAFRTable() = default;

void frmAFRTable::buildControls() {
    menuBar = new QMenuBar(this);
    mnuFile = menuBar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpenAddFile = mnuFile->addAction(QStringLiteral("&Open Additional File"));
    mnuOpenAddFile->setObjectName(QStringLiteral("mnuOpenAddFile"));
    mnuSep1 = mnuFile->addSeparator();
    mnuSep1->setObjectName(QStringLiteral("mnuSep1"));
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuOpenAddFile, &QAction::triggered, this, &frmAFRTable::mnuOpenAddFile_Click);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    // The client area keeps the size that shows everything; a smaller window scrolls.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("scrClient"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_client = new QWidget;
    m_scroll->setWidget(m_client);

    fraAFRTableData = new QGroupBox(QStringLiteral("Table Data"), m_client);
    fraAFRTableData->setObjectName(QStringLiteral("fraAFRTableData"));
    optSensor1AFR = new QRadioButton(QStringLiteral("Sensor 1 AFR"), fraAFRTableData);
    optSensor1AFR->setObjectName(QStringLiteral("optSensor1AFR"));
    optSensor2AFR = new QRadioButton(QStringLiteral("Sensor 2 AFR"), fraAFRTableData);
    optSensor2AFR->setObjectName(QStringLiteral("optSensor2AFR"));
    auto* dataLayout = new QVBoxLayout(fraAFRTableData);
    dataLayout->addWidget(optSensor1AFR);
    dataLayout->addWidget(optSensor2AFR);
    dataLayout->addStretch(1);

    fraAFRTableParams = new QGroupBox(QStringLiteral("Table Parameters"), m_client);
    fraAFRTableParams->setObjectName(QStringLiteral("fraAFRTableParams"));
    chkFilterData = new QCheckBox(QStringLiteral("Filter Unstable Data"), fraAFRTableParams);
    chkFilterData->setObjectName(QStringLiteral("chkFilterData"));
    optAFRDisplay = new QRadioButton(QStringLiteral("AFR Display"), fraAFRTableParams);
    optAFRDisplay->setObjectName(QStringLiteral("optAFRDisplay"));
    optFuelCorrDisplay =
        new QRadioButton(QStringLiteral("Fuel Percent Correction Display"), fraAFRTableParams);
    optFuelCorrDisplay->setObjectName(QStringLiteral("optFuelCorrDisplay"));
    optFuelCorrDisplay->setToolTip(kFuelCorrectionFormula);
    lblMinSampleLegend = new QLabel(QStringLiteral("Minimum Samples Per Cell"), fraAFRTableParams);
    lblMinSampleLegend->setObjectName(QStringLiteral("lblMinSampleLegend"));
    txtMinSampleNum = new QLineEdit(fraAFRTableParams);
    txtMinSampleNum->setObjectName(QStringLiteral("txtMinSampleNum"));
    lblAFRTargetLegend = new QLabel(QStringLiteral("AFR Target"), fraAFRTableParams);
    lblAFRTargetLegend->setObjectName(QStringLiteral("lblAFRTargetLegend"));
    txtAFRTarget = new QLineEdit(fraAFRTableParams);
    txtAFRTarget->setObjectName(QStringLiteral("txtAFRTarget"));
    for (QLineEdit* box : {txtMinSampleNum, txtAFRTarget})
        box->setMaximumWidth(70);
    // A refused entry is corrected in the box and the focus moves on.
    m_validator = new FocusValidator(this);
    m_validator->watch(txtAFRTarget, [this](const QString& typed) {
        const FieldCheck checked =
            AFRTableFields::checkTarget(typed, m_state.log.StoichRatio, m_state.settings.AFRFormat);
        if (checked.refused())
            m_prompter.message(checked.message, AFRTableFields::kTargetTitle,
                               Prompter::Icon::Exclamation, Prompter::Ok);
        m_state.settings.AFRTarget = float(checked.value);
        return checked;
    });
    m_validator->watch(txtMinSampleNum, [this](const QString& typed) {
        const FieldCheck checked = AFRTableFields::checkMinSamples(typed);
        if (checked.refused())
            m_prompter.message(checked.message, AFRTableFields::kMinSamplesTitle,
                               Prompter::Icon::Exclamation, Prompter::Ok);
        m_state.settings.MinSampleNum = qint16(checked.value);
        return checked;
    });
    auto* paramsLayout = new QGridLayout(fraAFRTableParams);
    paramsLayout->addWidget(chkFilterData, 0, 0);
    paramsLayout->addWidget(optAFRDisplay, 1, 0);
    paramsLayout->addWidget(optFuelCorrDisplay, 2, 0);
    paramsLayout->addWidget(txtMinSampleNum, 0, 1);
    paramsLayout->addWidget(lblMinSampleLegend, 0, 2);
    paramsLayout->addWidget(txtAFRTarget, 1, 1);
    paramsLayout->addWidget(lblAFRTargetLegend, 1, 2);
    paramsLayout->setColumnStretch(2, 1);

    cmdRefreshTable = new QPushButton(QStringLiteral("Refresh Table"), m_client);
    cmdRefreshTable->setObjectName(QStringLiteral("cmdRefreshTable"));
    cmdPrint = new QPushButton(QStringLiteral("Print"), m_client);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), m_client);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    for (QPushButton* b : {cmdRefreshTable, cmdPrint, cmdExit}) {
        // Return in a number box must not press a button behind the user's back.
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(cmdRefreshTable, &QPushButton::clicked, this, &frmAFRTable::cmdRefreshTable_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmAFRTable::cmdPrint_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);

    fraAFRTableData->setGeometry(8, 4, 150, 84);
    fraAFRTableParams->setGeometry(166, 4, 470, 120);
    cmdRefreshTable->setGeometry(650, 10, 120, 30);
    cmdPrint->setGeometry(650, 48, 120, 30);
    cmdExit->setGeometry(650, 86, 120, 30);

    VSFlexGrid1 = new QTableWidget(m_client);
    VSFlexGrid1->setObjectName(QStringLiteral("VSFlexGrid1"));
    VSFlexGrid1->setToolTip(QStringLiteral("Click to select or double click to edit cell"));
    VSFlexGrid1->horizontalHeader()->hide();
    VSFlexGrid1->verticalHeader()->hide();
    VSFlexGrid1->horizontalHeader()->setMinimumSectionSize(1);
    VSFlexGrid1->verticalHeader()->setMinimumSectionSize(1);
    VSFlexGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    VSFlexGrid1->setEditTriggers(QAbstractItemView::DoubleClicked);
    VSFlexGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    VSFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    VSFlexGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    VSFlexGrid1->hide();

    mnuPopUpEdit3D = new QMenu(this);
    mnuPopUpEdit3D->setObjectName(QStringLiteral("mnuPopUpEdit3D"));
    mnuPopUpCopy3D = mnuPopUpEdit3D->addAction(QStringLiteral("Copy"));
    mnuPopUpCopy3D->setObjectName(QStringLiteral("mnuPopUpCopy3D"));
    connect(mnuPopUpCopy3D, &QAction::triggered, this, &frmAFRTable::mnuPopUpCopy3D_Click);
    mnuPopUpCopy3D->setShortcut(QKeySequence::Copy);
    mnuPopUpCopyWithAxes = mnuPopUpEdit3D->addAction(QStringLiteral("Copy with Axes"));
    mnuPopUpCopyWithAxes->setObjectName(QStringLiteral("mnuPopUpCopyWithAxes"));
    mnuPopUpCopyWithAxes->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(mnuPopUpCopyWithAxes, &QAction::triggered, this,
            &frmAFRTable::mnuPopUpCopyWithAxes_Click);
    VSFlexGrid1->installEventFilter(this);
    connect(VSFlexGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        mnuPopUpEdit3D->popup(VSFlexGrid1->viewport()->mapToGlobal(at));
    });
}

int frmAFRTable::twipsX(int twips) const {
    return twips * logicalDpiX() / 1440;
}
int frmAFRTable::twipsY(int twips) const {
    return twips * logicalDpiY() / 1440;
}

void frmAFRTable::Form_Load() {
    setMerged(false);
    if (m_state.settings.AFRTableData == QLatin1String("Sensor 1"))
        optSensor1AFR->setChecked(true);
    else
        optSensor2AFR->setChecked(true);
    // The options the last Refresh Table used, or the defaults on a first run.
    const AFRTableOptions options = AFRTableOptions::load(m_settings);
    m_state.settings.AFRTableDisplay = options.display;
    (options.display == QLatin1String("AFR") ? optAFRDisplay : optFuelCorrDisplay)
        ->setChecked(true);
    chkFilterData->setChecked(options.filter);
    m_state.settings.AFRTarget = AFRTableFields::defaultTarget(m_state.log.StoichRatio);
    if (const std::optional<float> target = options.target.forFuel(m_state.log.StoichRatio)) {
        const FieldCheck checked = AFRTableFields::checkTarget(
            QString::number(double(*target)), m_state.log.StoichRatio, m_state.settings.AFRFormat);
        if (!checked.refused())
            m_state.settings.AFRTarget = float(checked.value);
    }
    m_state.settings.MinSampleNum = options.minSamples;
    txtAFRTarget->setText(Numbers::format(m_state.settings.AFRTarget, m_state.settings.AFRFormat));
    txtMinSampleNum->setText(AFRTableFields::minSamplesText(m_state.settings.MinSampleNum));
    WriteAFRTable(m_state.settings.AFRTableDisplay, true);
}

void frmAFRTable::WriteAFRTable(const QString& display, bool reset) {
    ErrorReport::runStep(m_prompter, [&] {
        showGrid(m_table.WriteAFRTable(display, reset, m_state, chkFilterData->isChecked()));
    });
}

void frmAFRTable::showGrid(const AFRTableGrid& grid) {
    VSFlexGrid1->setRowCount(AFRTableGrid::kRows);
    VSFlexGrid1->setColumnCount(AFRTableGrid::kColumns);
    const QColor window = palette().color(QPalette::Base);
    for (int r = 0; r < AFRTableGrid::kRows; ++r) {
        for (int c = 0; c < AFRTableGrid::kColumns; ++c) {
            QTableWidgetItem* item = VSFlexGrid1->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                VSFlexGrid1->setItem(r, c, item);
            }
            item->setText(grid.text[r][c]);
            item->setTextAlignment(Qt::AlignCenter);
            switch (grid.colour[r][c]) {
            case AFRTableGrid::Colour::LightCyan:
                item->setBackground(kLightCyan);
                break;
            case AFRTableGrid::Colour::LightRed:
                item->setBackground(kLightRed);
                break;
            case AFRTableGrid::Colour::Window:
                item->setBackground(window);
                break;
            }
        }
    }
    Form_Resize();
    VSFlexGrid1->show();
}

AFRTableGrid::Texts frmAFRTable::gridTexts() const {
    AFRTableGrid::Texts texts{};
    for (int r = 0; r < AFRTableGrid::kRows && r < VSFlexGrid1->rowCount(); ++r) {
        for (int c = 0; c < AFRTableGrid::kColumns && c < VSFlexGrid1->columnCount(); ++c) {
            if (const QTableWidgetItem* item = VSFlexGrid1->item(r, c))
                texts[r][c] = item->text();
        }
    }
    return texts;
}

void frmAFRTable::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmAFRTable::Form_Resize() {
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    m_scroll->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
    // Scroll bars only take room when the window is smaller than the content.
    const QSize minimum = clientMinimumSize();
    QSize room = m_scroll->size();
    const bool needH = room.width() < minimum.width();
    const bool needV = room.height() < minimum.height();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    if (needV)
        room.rwidth() -= bar;
    if (needH)
        room.rheight() -= bar;
    m_client->resize(room.expandedTo(minimum));
    const int w = std::max(0, m_client->width() - twipsX(kWidthAllowance));
    const int h = std::max(0, m_client->height() - twipsY(kHeightAllowance));
    VSFlexGrid1->setGeometry(twipsX(kGridLeft), twipsY(kGridTop), w, h);
    // The 31 x 10 cells fill the grid exactly, whatever the window's size.
    const int rows = std::max(1, VSFlexGrid1->rowCount());
    const int columns = std::max(1, VSFlexGrid1->columnCount());
    const int inner = 2 * VSFlexGrid1->frameWidth();
    const int rowHeight = std::max(1, (h - inner) / rows);
    const int columnWidth = std::max(1, (w - inner) / columns);
    for (int r = 0; r < VSFlexGrid1->rowCount(); ++r)
        VSFlexGrid1->setRowHeight(r, rowHeight);
    for (int c = 0; c < VSFlexGrid1->columnCount(); ++c)
        VSFlexGrid1->setColumnWidth(c, columnWidth);
}

QSize frmAFRTable::clientMinimumSize() const {
    const QFontMetrics fm(VSFlexGrid1->font());
    // The widest text a cell holds is the corner heading.
    const int cellWidth = fm.horizontalAdvance(QStringLiteral("RPM/TPS")) + 8;
    const int cellHeight = fm.height() + 1;
    const int inner = 2 * VSFlexGrid1->frameWidth();
    int right = 0;
    int bottom = 0;
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             fraAFRTableData, fraAFRTableParams, cmdRefreshTable, cmdPrint, cmdExit}) {
        right = std::max(right, w->geometry().right() + 1);
        bottom = std::max(bottom, w->geometry().bottom() + 1);
    }
    const int width = std::max(right + twipsX(kGridLeft), AFRTableGrid::kColumns * (cellWidth + 1) +
                                                              inner + twipsX(kWidthAllowance));
    const int height =
        std::max(bottom, AFRTableGrid::kRows * (cellHeight + 1) + inner + twipsY(kHeightAllowance));
    return {width, height};
}

void frmAFRTable::setMerged(bool merged) {
    fraAFRTableParams->setEnabled(!merged);
    fraAFRTableData->setEnabled(!merged);
    cmdRefreshTable->setEnabled(!merged);
    // The legends and options are greyed explicitly too, so the merged state reads the
    // same on every style.
    const QColor text = merged ? palette().color(QPalette::Disabled, QPalette::WindowText)
                               : palette().color(QPalette::Active, QPalette::ButtonText);
    for (QWidget* w : std::initializer_list<QWidget*>{
             optAFRDisplay, optSensor1AFR, optSensor2AFR, optFuelCorrDisplay, chkFilterData,
             lblAFRTargetLegend, lblMinSampleLegend, txtAFRTarget, txtMinSampleNum}) {
        QPalette pal = w->palette();
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            pal.setColor(QPalette::Active, role, text),
                pal.setColor(QPalette::Inactive, role, text);
        w->setPalette(pal);
    }
}

void frmAFRTable::cmdRefreshTable_Click() {
    m_state.settings.AFRTableData =
        optSensor1AFR->isChecked() ? QStringLiteral("Sensor 1") : QStringLiteral("Sensor 2");
    SettingsTable::save(m_settings, QStringLiteral("AFRTableData"), m_state.settings.AFRTableData);
    m_state.settings.AFRTableDisplay =
        optAFRDisplay->isChecked() ? QStringLiteral("AFR") : QStringLiteral("Fuel");
    AFRTableOptions options;
    options.display = m_state.settings.AFRTableDisplay;
    options.filter = chkFilterData->isChecked();
    options.minSamples = m_state.settings.MinSampleNum;
    options.target = {m_state.settings.AFRTarget, m_state.log.StoichRatio};
    options.save(m_settings);
    WriteAFRTable(m_state.settings.AFRTableDisplay, true);
}

void frmAFRTable::txtAFRTarget_Validate() {
    m_validator->check(txtAFRTarget);
}

void frmAFRTable::txtMinSampleNum_Validate() {
    m_validator->check(txtMinSampleNum);
}

void frmAFRTable::mnuPopUpCopy3D_Click() {
    copySelection(false);
}

void frmAFRTable::mnuPopUpCopyWithAxes_Click() {
    copySelection(true);
}

bool frmAFRTable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == VSFlexGrid1 &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool withAxes =
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_C);
        if (key->matches(QKeySequence::Copy) || withAxes) {
            // Taken here, before the table's own copy of the current cell.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                copySelection(withAxes);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAFRTable::copySelection(bool withAxes) {
    int top = VSFlexGrid1->currentRow();
    int bottom = top;
    int left = VSFlexGrid1->currentColumn();
    int right = left;
    const QList<QTableWidgetSelectionRange> ranges = VSFlexGrid1->selectedRanges();
    if (!ranges.isEmpty()) {
        top = ranges.first().topRow();
        bottom = ranges.first().bottomRow();
        left = ranges.first().leftColumn();
        right = ranges.first().rightColumn();
        for (const QTableWidgetSelectionRange& r : ranges) {
            top = std::min(top, r.topRow());
            bottom = std::max(bottom, r.bottomRow());
            left = std::min(left, r.leftColumn());
            right = std::max(right, r.rightColumn());
        }
    }
    if (top < 0 || left < 0)
        return;
    QList<int> rows;
    QList<int> columns;
    // Row 0 holds the throttle headings and column 0 the engine speeds.
    if (withAxes && top > 0)
        rows << 0;
    if (withAxes && left > 0)
        columns << 0;
    for (int r = top; r <= bottom; ++r)
        rows << r;
    for (int c = left; c <= right; ++c)
        columns << c;
    QStringList lines;
    for (int r : rows) {
        QStringList cells;
        for (int c : columns) {
            const QTableWidgetItem* item = VSFlexGrid1->item(r, c);
            cells << (item ? item->text() : QString());
        }
        lines << cells.join(u'\t');
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(lines.join(u'\n'));
}

void frmAFRTable::cmdPrint_Click() {
    const std::optional<QString> comment =
        m_prompter.input(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                         QStringLiteral("Optional Information Entry/Edit"), m_state.log.Comment);
    m_state.log.Comment = comment.value_or(QString());

    ErrorReport::runStep(m_prompter, [&] {
        const QString family = AFRTablePrintout::chooseFont(m_printers->fontFamilies());
        QPagedPaintDevice* device = m_printers->printer();
        // No device: the user turned down the printer (or the PDF file offered in its
        // place) and has been told already.
        if (!device)
            return;
        AFRTablePage::paint(
            *device, family,
            AFRTablePrintout::pageLines(m_state, gridTexts(), QDateTime::currentDateTime()));
        m_printers->finish();
    });
}

void frmAFRTable::mnuOpenAddFile_Click() {
    const AFRTableMerge::Outcome outcome =
        AFRTableMerge::openAdditionalFile(m_state, m_table, chkFilterData->isChecked(), m_prompter);
    if (outcome.result != AFRTableMerge::Result::Merged)
        return;
    showGrid(m_table.grid());
    m_state.window.AddedFileLoaded = true;
    setMerged(true);
    if (m_setCaptionSuffix)
        m_setCaptionSuffix(AFRTableMerge::captionSuffix(outcome.path));
}

void frmAFRTable::keyPressEvent(QKeyEvent* event) {
    // The window closes only through Exit or its close box; Esc is left to the
    // long operations that watch for it.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAFRTable::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
    if (event->isAccepted())
        Form_Unload();
}

void frmAFRTable::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void frmAFRTable::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Added files went into the table only; the log in memory is the one the table was
    // opened on, so it stays, and the main window shows its own caption again.
    m_state.window.AddedFileLoaded = false;
}
