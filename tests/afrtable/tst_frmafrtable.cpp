// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestLogFile.h"
#include "afrtable/AFRTablePage.h"
#include "afrtable/frmAFRTable.h"
#include "app/frmMain.h"
#include "device/ModuleSession.h"
#include "device/QSerialPortLink.h"
#include "logdata/AppState.h"
#include "support/IniSettingsStore.h"
#include "support/PrinterProvider.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualClock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Prints to a PDF file; the font list is the test's to choose.
class PdfPrinters : public PrinterProvider {
public:
    explicit PdfPrinters(QString path) : m_path(std::move(path)) {}
    QPagedPaintDevice* printer() override {
        ++calls;
        m_writer = std::make_unique<QPdfWriter>(m_path);
        m_writer->setResolution(300);
        return m_writer.get();
    }
    QStringList fontFamilies() override { return fonts; }
    QStringList fonts;
    int calls = 0;

private:
    QString m_path;
    std::unique_ptr<QPdfWriter> m_writer;
};

class NoPrinter : public PrinterProvider {
public:
    QPagedPaintDevice* printer() override { return nullptr; }
    QStringList fontFamilies() override { return {}; }
};

// A page that records every piece of text painted on it and where.
class RecordingEngine : public QPaintEngine {
public:
    struct Text {
        QPointF at;
        QString text;
        QFont font;
    };
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& changed) override {
        if (changed.state() & QPaintEngine::DirtyFont)
            m_font = changed.font();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({p, item.text(), m_font});
    }
    Type type() const override { return QPaintEngine::User; }
    QList<Text> texts;

private:
    QFont m_font;
};

class RecordingPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return 2480;
        case PdmHeight:
            return 3508;
        case PdmWidthMM:
            return 210;
        case PdmHeightMM:
            return 297;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 300;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }
};

void put(AppState& s, int slot, float rpm, float tps, float afr1, float afr2) {
    s.log.RPM[slot] = rpm;
    s.log.AnalogInVolts[slot] = tps;
    s.log.AFR1[slot] = afr1;
    s.log.AFR2[slot] = afr2;
}

} // namespace

class tst_frmafrtable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void openingDefaults_data();
    void openingDefaults();
    void gridShowsTextsAndColours();
    void targetValidation_data();
    void targetValidation();
    void minSamplesValidation_data();
    void minSamplesValidation();
    void leavingABoxValidatesIt();
    void refreshStoresSensorAndUsesParameters();
    void resizeFillsGridWithCells();
    void copyPutsBlockOnClipboard();
    void ctrlCCopiesTheSelectionAndWithAxes();
    void pagePaintsLinesInOneColumn();
    void printWritesPage();
    void printWithoutPrinterIsReported();
    void mergeAddsSamplesAndGreysParameters();
    void mergeWithOtherRatio_data();
    void mergeWithOtherRatio();
    void mergeRefusals_data();
    void mergeRefusals();
    void mergeOfShortFileCountsOnlyItsRows();
    void mergeCaptionOfLongName();
    void closingAfterMergeKeepsLog();
    void closingWithoutMergeKeepsBuffer();
    void viewCommandRefusals_data();
    void viewCommandRefusals();
    void viewCommandOpensWindow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettingsStore> m_store;
    AppState m_state;
    ScriptedPrompter m_prompter;
    QStringList m_captions;
    std::unique_ptr<frmAFRTable> open(PrinterProvider* printers = nullptr);
    QString logFile(const QString& name, const TestLogFile& log);
    int count(const frmAFRTable& w, int row, int column) const {
        return w.table().CellSampleCount()[column + 9 * row];
    }
};

QString tst_frmafrtable::logFile(const QString& name, const TestLogFile& log) {
    const QString path = m_dir->filePath(name);
    if (!log.write(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_frmafrtable::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    m_state = AppState{};
    m_state.settings.ConfigList2 = QStringList{QStringLiteral("Brenwick")};
    m_state.log.ClearDataBuffer();
    m_state.log.DataBufferEmpty = false;
    m_state.log.MaxScaledValue = 5.0f; // 1 V = 1 %
    m_state.log.AnalogLegend = QStringLiteral("TPS (%)");
    m_prompter = ScriptedPrompter{};
    m_captions.clear();
}

std::unique_ptr<frmAFRTable> tst_frmafrtable::open(PrinterProvider* printers) {
    return std::make_unique<frmAFRTable>(
        m_state, *m_store, m_prompter, [this](const QString& s) { m_captions << s; }, printers);
}

void tst_frmafrtable::openingDefaults_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QString>("target");
    QTest::newRow("gasoline, sensor 1") << 14.69f << "Sensor 1"
                                        << "13.2";
    QTest::newRow("6.4, sensor 2") << 6.4f << "Sensor 2"
                                   << "5.80";
    QTest::newRow("lambda") << 1.0f << "Sensor 2"
                            << "0.900";
}

void tst_frmafrtable::openingDefaults() {
    QFETCH(float, ratio);
    QFETCH(QString, sensor);
    QFETCH(QString, target);
    m_state.log.StoichRatio = ratio;
    m_state.updateAFRFormat();
    m_state.settings.AFRTableData = sensor;
    // Left over from an earlier opening; the window starts from its defaults.
    m_state.settings.AFRTableDisplay = QStringLiteral("Fuel");
    m_state.settings.AFRTarget = 17.0f;
    m_state.settings.MinSampleNum = 20;
    auto w = open();
    QCOMPARE(w->windowTitle(),
             QStringLiteral("QERO Dual Channel Data Logging Program - AFR Table"));
    QCOMPARE(w->txtAFRTarget->text(), target);
    QCOMPARE(w->txtMinSampleNum->text(), QStringLiteral("5"));
    QCOMPARE(m_state.settings.MinSampleNum, qint16(5));
    QCOMPARE(m_state.settings.AFRTarget, target.toFloat());
    QCOMPARE(m_state.settings.AFRTableDisplay, QStringLiteral("AFR"));
    QVERIFY(w->optAFRDisplay->isChecked());
    QCOMPARE(w->optSensor1AFR->isChecked(), sensor == QLatin1String("Sensor 1"));
    QCOMPARE(w->optSensor2AFR->isChecked(), sensor == QLatin1String("Sensor 2"));
    QVERIFY(!w->chkFilterData->isChecked());
    QVERIFY(w->fraAFRTableParams->isEnabled());
    QVERIFY(w->fraAFRTableData->isEnabled());
    QVERIFY(w->cmdRefreshTable->isEnabled());
    QCOMPARE(w->VSFlexGrid1->rowCount(), 31);
    QCOMPARE(w->VSFlexGrid1->columnCount(), 10);
    QCOMPARE(w->VSFlexGrid1->item(0, 0)->text(), QStringLiteral("RPM/TPS"));
    QCOMPARE(w->VSFlexGrid1->item(30, 0)->text(), QStringLiteral("15000"));
    QCOMPARE(w->VSFlexGrid1->toolTip(),
             QStringLiteral("Click to select or double click to edit cell"));
    // The fuel display says what its percent is, and that it is not the change to make.
    QCOMPARE(w->optFuelCorrDisplay->toolTip(), frmAFRTable::kFuelCorrectionFormula);
    QVERIFY(
        w->optFuelCorrDisplay->toolTip().contains(QStringLiteral("(1 − target ÷ measured) × 100")));
    QVERIFY(w->optFuelCorrDisplay->toolTip().contains(QStringLiteral("\"Change fuel by %\"")));
    QVERIFY(m_prompter.boxes().isEmpty());
}

void tst_frmafrtable::gridShowsTextsAndColours() {
    for (int i = 0; i < 5; ++i) {
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);      // lean: light red
        put(m_state, 10 + i, 3000.0f, 40.0f, 12.0f, 12.0f); // rich: light cyan
        put(m_state, 20 + i, 3000.0f, 60.0f, 13.4f, 13.4f); // on target
    }
    auto w = open();
    QTableWidgetItem* lean = w->VSFlexGrid1->item(6, 5);
    QTableWidgetItem* rich = w->VSFlexGrid1->item(6, 6);
    QTableWidgetItem* onTarget = w->VSFlexGrid1->item(6, 7);
    QCOMPARE(lean->text(), QStringLiteral("14.0"));
    QCOMPARE(lean->background().color(), QColor(255, 128, 128));
    QCOMPARE(rich->text(), QStringLiteral("12.0"));
    QCOMPARE(rich->background().color(), QColor(128, 255, 255));
    QCOMPARE(onTarget->text(), QStringLiteral("13.4"));
    QCOMPARE(onTarget->background().color(), w->palette().color(QPalette::Base));
    QCOMPARE(lean->textAlignment(), int(Qt::AlignCenter));
    QVERIFY(w->VSFlexGrid1->item(6, 4)->text().isEmpty());
}

void tst_frmafrtable::targetValidation_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("gasoline 9") << 14.69f << "9"
                                << "Value must be greater than or equal to 10.5"
                                << "10.5";
    QTest::newRow("gasoline 20") << 14.69f << "20"
                                 << "Value must be less than or equal to 19.5"
                                 << "19.5";
    QTest::newRow("gasoline 12.34") << 14.69f << "12.34"
                                    << ""
                                    << "12.3";
    QTest::newRow("6.4 3") << 6.4f << "3"
                           << "Value must be greater than or equal to 4.60"
                           << "4.60";
}

void tst_frmafrtable::targetValidation() {
    QFETCH(float, ratio);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    m_state.log.StoichRatio = ratio;
    m_state.updateAFRFormat();
    auto w = open();
    w->txtAFRTarget->setText(typed);
    w->txtAFRTarget_Validate();
    QCOMPARE(w->txtAFRTarget->text(), shown);
    QCOMPARE(m_state.settings.AFRTarget, shown.toFloat());
    if (message.isEmpty()) {
        QVERIFY(m_prompter.boxes().isEmpty());
    } else {
        QCOMPARE(m_prompter.boxes().size(), 1);
        const auto& box = m_prompter.boxes().first();
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, QStringLiteral("AFR Target"));
        QCOMPARE(box.icon, Prompter::Icon::Exclamation);
        QCOMPARE(box.buttons, Prompter::Buttons(Prompter::Ok));
    }
}

void tst_frmafrtable::minSamplesValidation_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << "0"
                       << "Value must be greater than or equal to 1" << 1;
    QTest::newRow("30") << "30"
                        << "Value must be less than or equal to 25" << 25;
    QTest::newRow("7.9") << "7.9"
                         << "" << 7;
}

void tst_frmafrtable::minSamplesValidation() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, value);
    auto w = open();
    w->txtMinSampleNum->setText(typed);
    w->txtMinSampleNum_Validate();
    QCOMPARE(w->txtMinSampleNum->text(), QString::number(value));
    QCOMPARE(int(m_state.settings.MinSampleNum), value);
    QCOMPARE(m_prompter.messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(m_prompter.boxes().first().title, QStringLiteral("Minimum Samples"));
}

void tst_frmafrtable::leavingABoxValidatesIt() {
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->txtAFRTarget->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(w->txtAFRTarget->hasFocus());
    w->txtAFRTarget->setText(QStringLiteral("25"));
    w->txtMinSampleNum->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w->txtMinSampleNum->hasFocus());
    QCOMPARE(m_prompter.messageTexts(),
             QStringList{QStringLiteral("Value must be less than or equal to 19.5")});
    QCOMPARE(w->txtAFRTarget->text(), QStringLiteral("19.5"));
}

void tst_frmafrtable::refreshStoresSensorAndUsesParameters() {
    for (int i = 0; i < 4; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 12.0f);
    auto w = open();
    QCOMPARE(w->VSFlexGrid1->item(6, 5)->text(), QString()); // 4 of 5 samples

    w->optSensor2AFR->setChecked(true);
    w->optFuelCorrDisplay->setChecked(true);
    w->txtMinSampleNum->setText(QStringLiteral("4"));
    w->txtMinSampleNum_Validate();
    w->txtAFRTarget->setText(QStringLiteral("13.2"));
    w->txtAFRTarget_Validate();
    w->cmdRefreshTable->click();
    QCOMPARE(m_state.settings.AFRTableData, QStringLiteral("Sensor 2"));
    QCOMPARE(m_state.settings.AFRTableDisplay, QStringLiteral("Fuel"));
    QCOMPARE(w->VSFlexGrid1->item(6, 5)->text(), QStringLiteral("-10")); // 12.0 against 13.2
    QCOMPARE(m_store->value(QStringLiteral("AFRTableData")), QStringLiteral("Sensor 2"));

    // The choices survive a restart: a fresh store on the same file, a fresh window, which
    // shows the table they give at once.
    w->chkFilterData->setChecked(true); // not refreshed: not used, not stored
    const QRect placed(40, 30, 700, 500);
    w->show();
    w->setGeometry(placed);
    QTRY_COMPARE(w->geometry(), placed);
    w->close();
    w.reset();
    m_store = std::make_unique<IniSettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    QCOMPARE(m_store->value(QStringLiteral("AFRTableData")), QStringLiteral("Sensor 2"));
    auto again = open();
    QVERIFY(again->optSensor2AFR->isChecked());
    QVERIFY(again->optFuelCorrDisplay->isChecked());
    QVERIFY(!again->chkFilterData->isChecked());
    QCOMPARE(again->txtMinSampleNum->text(), QStringLiteral("4"));
    QCOMPARE(again->txtAFRTarget->text(), QStringLiteral("13.2"));
    QCOMPARE(again->VSFlexGrid1->item(6, 5)->text(), QStringLiteral("-10"));
    QCOMPARE(again->geometry(), placed);

    // A target set for one fuel is not carried over to another.
    again.reset();
    m_state.log.StoichRatio = 1.0f;
    m_state.updateAFRFormat();
    auto lambda = open();
    QCOMPARE(lambda->txtAFRTarget->text(), QStringLiteral("0.900"));
    QCOMPARE(lambda->txtMinSampleNum->text(), QStringLiteral("4"));
}

void tst_frmafrtable::resizeFillsGridWithCells() {
    auto w = open();
    w->show();
    for (const QSize size : {QSize(900, 800), QSize(1200, 1000), QSize(700, 500)}) {
        w->resize(size);
        QTRY_COMPARE(w->size(), size);
        QTableWidget* g = w->VSFlexGrid1;
        QVERIFY(g->isVisible());
        const int dpi = w->logicalDpiX();
        QCOMPARE(g->x(), 126 * dpi / 1440);
        const int rowHeight = g->rowHeight(0);
        const int columnWidth = g->columnWidth(0);
        for (int r = 0; r < 31; ++r)
            QCOMPARE(g->rowHeight(r), rowHeight);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(g->columnWidth(c), columnWidth);
        // The cells fill the grid: less than one more row or column would fit.
        const QSize inner = g->contentsRect().size();
        QVERIFY(31 * rowHeight <= inner.height());
        QVERIFY(31 * (rowHeight + 1) > inner.height());
        QVERIFY(10 * columnWidth <= inner.width());
        QVERIFY(10 * (columnWidth + 1) > inner.width());
    }
}

void tst_frmafrtable::copyPutsBlockOnClipboard() {
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 1000.0f, 2.0f, 14.0f, 14.0f);
    auto w = open();
    w->VSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 2, 2), true);
    w->mnuPopUpCopy3D->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("RPM/TPS\t0%\t2%\n500\t\t\n1000\t\t14.0"));
    QCOMPARE(w->mnuPopUpCopy3D->text(), QStringLiteral("Copy"));

    // Edited text is copied as shown.
    w->VSFlexGrid1->clearSelection();
    w->VSFlexGrid1->item(2, 2)->setText(QStringLiteral("edited"));
    w->VSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(2, 2, 2, 2), true);
    w->mnuPopUpCopy3D_Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("edited"));
}

void tst_frmafrtable::ctrlCCopiesTheSelectionAndWithAxes() {
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 1000.0f, 2.0f, 14.0f, 14.0f);
    auto w = open();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTableWidget* grid = w->VSFlexGrid1;
    grid->setCurrentCell(2, 1);
    grid->setRangeSelected(QTableWidgetSelectionRange(2, 1, 3, 2), true);
    QGuiApplication::clipboard()->clear();
    // The key copies the whole selection, as the menu's Copy does, not the current cell.
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("\t14.0\n\t"));
    // With the axes: the throttle headings above and the engine speeds before.
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("RPM/TPS\t0%\t2%\n1000\t\t14.0\n1500\t\t"));
    QGuiApplication::clipboard()->clear();
    w->mnuPopUpCopyWithAxes->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("RPM/TPS\t0%\t2%\n1000\t\t14.0\n1500\t\t"));
    QCOMPARE(w->mnuPopUpCopyWithAxes->text(), QStringLiteral("Copy with Axes"));
}

void tst_frmafrtable::pagePaintsLinesInOneColumn() {
    RecordingPage page;
    const QStringList lines = {QStringLiteral("first"), QString(), QStringLiteral("third")};
    AFRTablePage::paint(page, QStringLiteral("Courier New"), lines);
    const auto& texts = page.engine.texts;
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts[0].text, QStringLiteral("first"));
    QCOMPARE(texts[1].text, QStringLiteral("third"));
    QCOMPARE(texts[0].font.family(), QStringLiteral("Courier New"));
    QCOMPARE(texts[0].font.pointSize(), 10);
    QCOMPARE(texts[0].at.x(), texts[1].at.x());
    // Nine character widths in, and the first line just below 1000 twips at 300 dpi.
    const QFontMetricsF m(texts[0].font, &page);
    QVERIFY(qAbs(texts[0].at.x() - 9 * m.horizontalAdvance(u' ')) < 0.5);
    QVERIFY(qAbs(texts[0].at.y() - (1000.0 * 300 / 1440 + m.ascent())) < 0.5);
    QVERIFY(qAbs(texts[1].at.y() - texts[0].at.y() - 2 * m.lineSpacing()) < 0.5);
}

void tst_frmafrtable::printWritesPage() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    m_state.log.Comment = QStringLiteral("old comment");
    const QString pdf = m_dir->filePath(QStringLiteral("table.pdf"));
    PdfPrinters printers(pdf);
    auto w = open(&printers);
    m_prompter.answerInput(QStringLiteral("Track day"));
    w->cmdPrint->click();
    QCOMPARE(printers.calls, 1);
    QCOMPARE(m_state.log.Comment, QStringLiteral("Track day"));
    const auto& box = m_prompter.boxes().first();
    QCOMPARE(box.kind, ScriptedPrompter::Box::Input);
    QCOMPARE(box.text, QStringLiteral("Enter or edit comment. Cancel will erase any comment."));
    QCOMPARE(box.title, QStringLiteral("Optional Information Entry/Edit"));
    QCOMPARE(box.defaultText, QStringLiteral("old comment"));

    QProcess run;
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(run.waitForFinished(30000));
    // The text extractor does not keep blanks exactly; compare the words of each line.
    QStringList lines;
    for (const QString& l : QString::fromUtf8(run.readAllStandardOutput()).split(u'\n'))
        lines << l.simplified();
    QVERIFY2(lines.first().startsWith(QStringLiteral("Brenwick QERO AFR Data Printed: ")),
             qPrintable(lines.first()));
    for (const char* line :
         {"Comment: Track day", "Fuel Type: Gasoline", "Stoichiometric Ratio: 14.69",
          "Data Type: Sensor 1 Average AFR", "AFR Target: 13.2", "Minimum Samples Per Cell: 5",
          "RPM/TPS 0% 2% 5% 10% 20% 40% 60% 80% 100%", "3000 14.0", "15000"})
        QVERIFY2(lines.contains(QLatin1String(line)), line);
    // One line per grid row, in order.
    int tableLines = 0;
    for (const QString& l : lines) {
        if (l.section(u' ', 0, 0) == QString::number(500 * (tableLines + 1)))
            ++tableLines;
    }
    QCOMPARE(tableLines, 30);

    // Cancelling the comment box erases the comment, and the line is left out.
    m_prompter.answerInput(std::nullopt);
    w->cmdPrint_Click();
    QCOMPARE(m_state.log.Comment, QString());
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(run.waitForFinished(30000));
    QVERIFY(!QString::fromUtf8(run.readAllStandardOutput()).contains(QLatin1String("Comment:")));
}

void tst_frmafrtable::printWithoutPrinterIsReported() {
    // A provider without a device has already told the user (no printer, PDF declined):
    // the print ends quietly instead of adding an error box on top.
    NoPrinter none;
    auto w = open(&none);
    m_prompter.answerInput(QStringLiteral("x"));
    w->cmdPrint_Click();
    QVERIFY(m_prompter.messages().isEmpty());
    QCOMPARE(m_state.log.Comment, QStringLiteral("x"));
}

void tst_frmafrtable::mergeAddsSamplesAndGreysParameters() {
    // The log in memory: 6 samples at 3000 rpm, 20 %.
    for (int i = 0; i < 6; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    m_state.log.FuelType = QStringLiteral("Gasoline");
    TestLogFile added;
    added.fill(100, 4, 3000.0f, 20.0f, 13.0f);
    added.fill(200, 5, 5000.0f, 95.0f, 12.0f);
    added.legend = QStringLiteral("Throttle tps %");
    const QString path = logFile(QStringLiteral("second.log"), added);

    auto w = open();
    QCOMPARE(w->VSFlexGrid1->item(6, 5)->text(), QStringLiteral("14.0"));
    m_prompter.answerFile(path);
    w->mnuOpenAddFile->trigger();

    const auto& dialog = m_prompter.boxes().first();
    QCOMPARE(dialog.kind, ScriptedPrompter::Box::OpenFile);
    QCOMPARE(dialog.title, QStringLiteral("Open File"));
    QVERIFY(m_prompter.messages().isEmpty());
    QCOMPARE(count(*w, 5, 4), 10);
    QCOMPARE(count(*w, 9, 8), 5);
    QCOMPARE(w->VSFlexGrid1->item(6, 5)->text(), QStringLiteral("13.6")); // (6*14 + 4*13) / 10
    QCOMPARE(w->VSFlexGrid1->item(10, 9)->text(), QStringLiteral("12.0"));

    QVERIFY(m_state.window.AddedFileLoaded);
    // The added file went into the table only; the log in memory is the first one.
    QVERIFY(!m_state.log.DataBufferEmpty);
    QCOMPARE(m_state.log.AnalogLegend, QStringLiteral("TPS (%)"));
    QCOMPARE(m_state.log.AFR1[100], 10.0f);
    QCOMPARE(m_state.log.AFR1[0], 14.0f);
    QCOMPARE(m_state.log.StoichRatio, 14.69f);
    QVERIFY(!w->fraAFRTableParams->isEnabled());
    QVERIFY(!w->fraAFRTableData->isEnabled());
    QVERIFY(!w->cmdRefreshTable->isEnabled());
    QVERIFY(w->cmdPrint->isEnabled());
    QVERIFY(w->mnuOpenAddFile->isEnabled());
    const QColor grey = w->palette().color(QPalette::Disabled, QPalette::WindowText);
    QCOMPARE(w->lblAFRTargetLegend->palette().color(QPalette::Active, QPalette::WindowText), grey);
    QCOMPARE(m_captions, QStringList{QStringLiteral("Added File - second.log")});

    // A further file adds again.
    m_prompter.answerFile(path);
    w->mnuOpenAddFile_Click();
    QCOMPARE(count(*w, 5, 4), 14);
    QCOMPARE(count(*w, 9, 8), 10);
}

void tst_frmafrtable::mergeWithOtherRatio_data() {
    QTest::addColumn<bool>("fuelLines");
    QTest::addColumn<Prompter::Button>("answer");
    QTest::newRow("E85 file, OK") << true << Prompter::Ok;
    QTest::newRow("E85 file, Cancel") << true << Prompter::Cancel;
    QTest::newRow("no fuel lines, OK") << false << Prompter::Ok;
}

void tst_frmafrtable::mergeWithOtherRatio() {
    QFETCH(bool, fuelLines);
    QFETCH(Prompter::Button, answer);
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    TestLogFile added;
    added.fill(0, 5, 3000.0f, 20.0f, 13.0f);
    added.fuel = QStringLiteral("E85");
    added.ratio = fuelLines ? std::optional<QString>(QStringLiteral("9.77")) : std::nullopt;
    const QString path = logFile(QStringLiteral("e85.log"), added);

    auto w = open();
    m_prompter.answerFile(path);
    m_prompter.answerButton(answer);
    w->mnuOpenAddFile_Click();
    const auto messages = m_prompter.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, QStringLiteral("Stoichiometric ratio for new data doesn't match. "
                                              "Click OK to continue or Cancel"));
    QCOMPARE(messages[0].title, QStringLiteral("Open Additional File"));
    QCOMPARE(messages[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(messages[0].buttons, Prompter::Buttons(Prompter::Ok | Prompter::Cancel));

    const bool merged = answer == Prompter::Ok;
    QCOMPARE(count(*w, 5, 4), merged ? 10 : 5);
    QCOMPARE(m_state.window.AddedFileLoaded, merged);
    QCOMPARE(w->cmdRefreshTable->isEnabled(), !merged);
    // The table's fuel stays the one of the log first opened.
    QCOMPARE(m_state.log.StoichRatio, 14.69f);
    QCOMPARE(m_state.log.FuelType, QStringLiteral("Gasoline"));
    // Accepted or declined, the file never reaches the log in memory.
    QCOMPARE(m_state.log.AFR1[0], 14.0f);
    QCOMPARE(m_captions.size(), merged ? 1 : 0);
}

void tst_frmafrtable::mergeRefusals_data() {
    QTest::addColumn<QString>("legend");
    QTest::addColumn<int>("headerLines");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a throttle")
        << "Analog Input" << 8 << "Analog data does not contain properly scaled TPS values.";
    QTest::newRow("ends in header")
        << "TPS" << 5 << "Error - reached premature end-of-file. No data found";
}

void tst_frmafrtable::mergeRefusals() {
    QFETCH(QString, legend);
    QFETCH(int, headerLines);
    QFETCH(QString, message);
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    TestLogFile added;
    added.fill(0, 5, 3000.0f, 20.0f, 13.0f);
    added.legend = legend;
    added.headerLines = headerLines;
    added.maxValue = QStringLiteral("50");
    const QString path = logFile(QStringLiteral("refused.log"), added);

    auto w = open();
    const AFRTableGrid::Texts before = w->gridTexts();
    m_prompter.answerFile(path);
    w->mnuOpenAddFile_Click();
    QCOMPARE(m_prompter.messageTexts(), QStringList{message});
    QCOMPARE(m_prompter.messages().first().title, QStringLiteral("Open Additional File"));
    QCOMPARE(m_prompter.messages().first().icon, Prompter::Icon::Exclamation);
    QVERIFY(w->gridTexts() == before);
    QCOMPARE(count(*w, 5, 4), 5);
    QVERIFY(!m_state.window.AddedFileLoaded);
    QVERIFY(w->cmdRefreshTable->isEnabled());
    QVERIFY(m_captions.isEmpty());
    // The log in memory, header values included, is the one the table was built from.
    QCOMPARE(m_state.log.AnalogLegend, QStringLiteral("TPS (%)"));
    QCOMPARE(m_state.log.MaxScaledValue, 5.0f);
    QCOMPARE(m_state.log.AFR1[0], 14.0f);
}

void tst_frmafrtable::mergeOfShortFileCountsOnlyItsRows() {
    // The log in memory has 100 samples in one cell; the added file has 10 rows only.
    for (int i = 0; i < 100; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    TestLogFile added;
    added.rows = 10;
    added.fill(0, 10, 3000.0f, 20.0f, 13.0f);
    const QString path = logFile(QStringLiteral("short.log"), added);
    auto w = open();
    m_prompter.answerFile(path);
    m_prompter.answerButton(Prompter::Ok); // the premature end
    m_prompter.answerButton(Prompter::Ok); // the file has no fuel lines: no ratio
    w->mnuOpenAddFile_Click();
    QCOMPARE(m_prompter.messageTexts(),
             (QStringList{QStringLiteral("Error - reached premature end-of-file. Some data may be "
                                         "missing or corrupted"),
                          QStringLiteral("Stoichiometric ratio for new data doesn't match. Click "
                                         "OK to continue or Cancel")}));
    QVERIFY(m_state.window.AddedFileLoaded);
    QCOMPARE(count(*w, 5, 4), 110);
    QCOMPARE(m_state.log.AFR1[50], 14.0f);
}

void tst_frmafrtable::mergeCaptionOfLongName() {
    TestLogFile added;
    const QString name = QString(57, u'n') + QStringLiteral(".log"); // 61 characters
    const QString path = logFile(name, added);
    auto w = open();
    m_prompter.answerFile(path);
    w->mnuOpenAddFile_Click();
    QCOMPARE(m_captions,
             QStringList{QStringLiteral("Added File - ...") + QString(56, u'n') + ".log"});

    m_captions.clear();
    const QString exact = QString(56, u'x') + QStringLiteral(".log"); // 60 characters
    m_prompter.answerFile(logFile(exact, added));
    w->mnuOpenAddFile_Click();
    QCOMPARE(m_captions, QStringList{QStringLiteral("Added File - ") + exact});
}

void tst_frmafrtable::closingAfterMergeKeepsLog() {
    for (int i = 0; i < 5; ++i)
        put(m_state, i, 3000.0f, 20.0f, 14.0f, 14.0f);
    m_state.log.Comment = QStringLiteral("first run");
    m_state.window.LogUnsaved = true;
    const LogBuffer before = m_state.log;
    TestLogFile added;
    added.fill(0, 5, 3000.0f, 20.0f, 13.0f);
    added.legend = QStringLiteral("Throttle tps %");
    const QString path = logFile(QStringLiteral("b.log"), added);
    for (int way = 0; way < 3; ++way) {
        m_captions.clear();
        auto w = open();
        m_prompter.answerFile(path);
        w->mnuOpenAddFile_Click();
        QVERIFY(m_state.window.AddedFileLoaded);
        QCOMPARE(count(*w, 5, 4), 10);
        w->show();
        if (way == 0)
            w->cmdExit->click();
        else if (way == 1)
            w->mnuExit->trigger();
        else
            w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(!m_state.window.AddedFileLoaded);
        QVERIFY(m_state.window.LogUnsaved);
        QVERIFY(!m_state.log.DataBufferEmpty);
        QVERIFY(m_state.log.AFR1 == before.AFR1);
        QVERIFY(m_state.log.RPM == before.RPM);
        QVERIFY(m_state.log.AnalogInVolts == before.AnalogInVolts);
        QCOMPARE(m_state.log.AnalogLegend, before.AnalogLegend);
        QCOMPARE(m_state.log.MaxScaledValue, before.MaxScaledValue);
        QCOMPARE(m_state.log.Comment, before.Comment);
        // Only the merge named itself; the main window restores its own caption.
        QCOMPARE(m_captions, QStringList{QStringLiteral("Added File - b.log")});
    }
}

void tst_frmafrtable::closingWithoutMergeKeepsBuffer() {
    put(m_state, 0, 3000.0f, 20.0f, 14.0f, 14.0f);
    auto w = open();
    m_prompter.answerFile(QString()); // the file dialog cancelled
    w->mnuOpenAddFile_Click();
    w->show();
    w->cmdExit->click();
    QVERIFY(!m_state.log.DataBufferEmpty);
    QCOMPARE(m_state.log.AFR1[0], 14.0f);
    QVERIFY(m_captions.isEmpty());
    QVERIFY(m_prompter.messages().isEmpty());
}

void tst_frmafrtable::viewCommandRefusals_data() {
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("legend");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty buffer") << true << "TPS"
                                  << "Data buffer empty.";
    QTest::newRow("no TPS") << false << "Analog Input"
                            << "Analog data does not contain properly scaled TPS values.";
}

void tst_frmafrtable::viewCommandRefusals() {
    QFETCH(bool, empty);
    QFETCH(QString, legend);
    QFETCH(QString, message);
    VirtualClock clock;
    AppState s;
    ModuleSession module(s, clock, m_prompter, std::make_unique<QSerialPortLink>());
    frmMain main(s, *m_store, m_prompter, clock, module);
    s.log.DataBufferEmpty = empty;
    s.log.AnalogLegend = legend;
    s.window.RealTimeActive = true;
    m_prompter.clear();
    QVERIFY(main.mnuViewAFRTable->isEnabled());
    main.mnuViewAFRTable->trigger();
    QVERIFY(!s.window.RealTimeActive);
    QCOMPARE(m_prompter.boxes().size(), 1);
    QCOMPARE(m_prompter.boxes().first().text, message);
    QCOMPARE(m_prompter.boxes().first().title, QStringLiteral("View AFR Table"));
    QCOMPARE(m_prompter.boxes().first().icon, Prompter::Icon::Exclamation);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_frmafrtable::viewCommandOpensWindow() {
    VirtualClock clock;
    AppState s;
    ModuleSession module(s, clock, m_prompter, std::make_unique<QSerialPortLink>());
    frmMain main(s, *m_store, m_prompter, clock, module);
    m_prompter.clear();
    for (const QString& legend : {QStringLiteral("TPS(%)"), QStringLiteral("throttle tps")}) {
        s.log.DataBufferEmpty = false;
        s.log.AnalogLegend = legend;
        QString seen;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal) {
                seen = modal->objectName();
                modal->close();
            }
        });
        main.mnuViewAFRTable_Click();
        QCOMPARE(seen, QStringLiteral("frmAFRTable"));
    }
    QVERIFY(m_prompter.boxes().isEmpty());
}

QTEST_MAIN(tst_frmafrtable)
#include "tst_frmafrtable.moc"
