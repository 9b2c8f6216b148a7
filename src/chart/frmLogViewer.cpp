// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/frmLogViewer.h"

#include "chart/ChartRenderer.h"
#include "chart/LogViewPlot.h"
#include "chart/PlotFiles.h"
#include "logdata/LogCsvWriter.h"
#include "logdata/LogFileCommands.h"
#include "logdata/LogFileReader.h"
#include "logdata/LogImport.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"
#include "support/SettingsStore.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// A failure of a command is shown and the window stays as it was.
template <typename F> void guarded(Prompter& prompter, const QString& title, F&& f) {
    try {
        f();
    } catch (const QeroFailure& failure) {
        prompter.message(failure.description(), title, Prompter::Icon::Critical, Prompter::Ok);
    }
}

} // namespace

frmLogViewer::frmLogViewer(Log log, Prompter& prompter, SettingsStore* settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(std::make_unique<Log>(std::move(log))),
      m_logic(std::make_unique<LogViewLogic>(*m_log)), m_prompter(prompter), m_settings(settings) {
    setObjectName(QStringLiteral("frmLogViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Log Viewer - %1")
                       .arg(LogFileReader::printable(QFileInfo(m_log->source).fileName())));
    if (m_settings)
        m_logic->load(*m_settings);

    auto* top = new QHBoxLayout;
    m_paneBox = new QComboBox(this);
    m_paneBox->setObjectName(QStringLiteral("cboPane"));
    top->addWidget(new QLabel(QStringLiteral("Pane:"), this));
    top->addWidget(m_paneBox);
    QPushButton* add = button(QStringLiteral("Add Pane"), "cmdAddPane", this);
    QPushButton* remove = button(QStringLiteral("Remove Pane"), "cmdRemovePane", this);
    QPushButton* all = button(QStringLiteral("Zoom All"), "cmdZoomAll", this);
    QPushButton* picture = button(QStringLiteral("Save Picture\u2026"), "cmdSavePicture", this);
    QPushButton* exportData = button(QStringLiteral("Export Data\u2026"), "cmdExportData", this);
    QPushButton* join = button(QStringLiteral("Join Engine Log\u2026"), "cmdJoin", this);
    for (QPushButton* b : {add, remove, all, picture, exportData, join})
        top->addWidget(b);
    m_offset = new QDoubleSpinBox(this);
    m_offset->setObjectName(QStringLiteral("spnOffset"));
    m_offset->setRange(-1e6, 1e6);
    m_offset->setDecimals(2);
    m_offset->setSingleStep(0.05);
    m_offset->setSuffix(QStringLiteral(" s"));
    m_offset->setToolTip(QStringLiteral("Engine log time minus this log's time; nudge it to "
                                        "line the traces up"));
    m_offset->setKeyboardTracking(false);
    m_offset->setVisible(false);
    m_joinLabel = new QLabel(this);
    m_joinLabel->setObjectName(QStringLiteral("lblJoin"));
    top->addWidget(m_joinLabel);
    top->addWidget(m_offset);
    top->addStretch();
    top->addWidget(new QLabel(QStringLiteral("%1 rows, %2 s, %3")
                                  .arg(m_log->rows())
                                  .arg(m_log->duration(), 0, 'f', 1)
                                  .arg(m_log->format),
                              this));

    m_channels = new QListWidget(this);
    m_channels->setObjectName(QStringLiteral("lstChannels"));
    m_plot = new LogViewPlot(this);
    m_plot->installEventFilter(this);
    m_plot->setFocusPolicy(Qt::StrongFocus);
    m_readout = new QTableWidget(0, 4, this);
    m_readout->setObjectName(QStringLiteral("tblReadout"));
    m_readout->setHorizontalHeaderLabels({QStringLiteral("Channel"), QStringLiteral("Value"),
                                          QStringLiteral("Unit"), QStringLiteral("Status")});
    m_readout->verticalHeader()->setVisible(false);
    m_readout->horizontalHeader()->setStretchLastSection(true);
    m_readout->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(m_plot);
    right->addWidget(m_readout);
    right->setStretchFactor(0, 4);
    right->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_channels);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(add, &QPushButton::clicked, this, [this] { cmdAddPane_Click(); });
    connect(remove, &QPushButton::clicked, this, [this] { cmdRemovePane_Click(); });
    connect(all, &QPushButton::clicked, this, [this] { cmdZoomAll_Click(); });
    connect(picture, &QPushButton::clicked, this, [this] { cmdSavePicture_Click(); });
    connect(exportData, &QPushButton::clicked, this, [this] { cmdExportData_Click(); });
    connect(join, &QPushButton::clicked, this, [this] { cmdJoin_Click(); });
    connect(m_offset, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (!m_filling && isJoined() && v != m_match.offset)
            nudgeOffset(v);
    });
    connect(m_paneBox, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!m_filling && i >= 0)
            choosePane(i);
    });
    connect(m_channels, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_filling)
            setChannelShown(item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
    });
    connect(m_plot, &LogViewPlot::timeWindowChanged, this, [this](double start, double end) {
        if (start != m_logic->windowStart() || end != m_logic->windowEnd())
            m_logic->setWindow(start, end);
    });
    // Ctrl+W closes it, as other document windows close.
    auto* close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(1200, 760);
    rebuild();
}

frmLogViewer::~frmLogViewer() = default;

void frmLogViewer::rebuild() {
    if (m_logic->panes.empty())
        m_logic->panes.push_back({});
    m_pane = std::clamp(m_pane, 0, int(m_logic->panes.size()) - 1);
    m_filling = true;
    m_paneBox->clear();
    for (std::size_t i = 0; i < m_logic->panes.size(); ++i)
        m_paneBox->addItem(QStringLiteral("Pane %1").arg(i + 1));
    m_paneBox->setCurrentIndex(m_pane);
    m_filling = false;
    m_plot->display(*m_logic);
    m_plot->setMarkerTime(m_logic->markerTime());
    // Kept at every change, so the next log of this kind opens as this one is now.
    if (m_settings)
        m_logic->save(*m_settings);
    refreshChannelList();
    showReadouts();
}

void frmLogViewer::refreshChannelList() {
    m_filling = true;
    m_channels->clear();
    const std::vector<int>& shown = m_logic->panes[std::size_t(m_pane)].channels;
    for (std::size_t c = 0; c < m_log->channels.size(); ++c) {
        const LogChannel& ch = m_log->channels[c];
        auto* item = new QListWidgetItem(LogFileReader::printable(LogCsvWriter::columnTitle(ch)),
                                         m_channels);
        item->setData(Qt::UserRole, int(c));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(std::find(shown.begin(), shown.end(), int(c)) != shown.end()
                                ? Qt::Checked
                                : Qt::Unchecked);
    }
    m_filling = false;
}

void frmLogViewer::showReadouts() {
    const std::vector<LogViewLogic::Readout> r = m_logic->readouts();
    m_readout->setRowCount(int(r.size()));
    for (std::size_t i = 0; i < r.size(); ++i) {
        const QString cells[] = {LogFileReader::printable(r[i].name), r[i].value, r[i].unit,
                                 r[i].status};
        for (int k = 0; k < 4; ++k) {
            QTableWidgetItem* item = m_readout->item(int(i), k);
            if (!item) {
                item = new QTableWidgetItem;
                m_readout->setItem(int(i), k, item);
            }
            item->setText(cells[k]);
        }
    }
}

void frmLogViewer::showWindow() {
    m_plot->setTimeWindow(m_logic->windowStart(), m_logic->windowEnd());
}

void frmLogViewer::choosePane(int pane) {
    m_pane = std::clamp(pane, 0, int(m_logic->panes.size()) - 1);
    refreshChannelList();
}

void frmLogViewer::setChannelShown(int channel, bool shown) {
    std::vector<int>& list = m_logic->panes[std::size_t(m_pane)].channels;
    const auto at = std::find(list.begin(), list.end(), channel);
    if (shown == (at != list.end()))
        return;
    if (shown)
        list.push_back(channel);
    else
        list.erase(at);
    const double start = m_logic->windowStart();
    const double end = m_logic->windowEnd();
    rebuild();
    m_logic->setWindow(start, end);
    showWindow();
}

void frmLogViewer::cmdAddPane_Click() {
    if (int(m_logic->panes.size()) >= LogViewLogic::kMaxPanes)
        return;
    m_logic->panes.push_back({});
    m_pane = int(m_logic->panes.size()) - 1;
    rebuild();
}

void frmLogViewer::cmdRemovePane_Click() {
    if (m_logic->panes.size() <= 1)
        return;
    m_logic->panes.erase(m_logic->panes.begin() + m_pane);
    rebuild();
}

void frmLogViewer::showLog(std::unique_ptr<Log> log) {
    const double start = m_logic->windowStart();
    const double end = m_logic->windowEnd();
    const std::size_t marker = m_logic->markerRow();
    const std::vector<LogViewLogic::Pane> before = m_logic->panes;
    const QString layout = m_logic->layoutText();
    m_logic.reset();
    m_log = std::move(log);
    m_logic = std::make_unique<LogViewLogic>(*m_log);
    if (m_settings)
        m_logic->load(*m_settings);
    // A nudge keeps what is shown; the first join adds the engine's channels by the
    // remembered layout of joined logs, or beside the panes as they were.
    if (isJoined() && m_logic->layoutText() != layout && !before.empty() &&
        m_log->channels.size() >= before.size())
        m_logic->setLayoutText(layout);
    if (isJoined())
        for (std::size_t c = m_own->channels.size(); c < m_log->channels.size(); ++c)
            if (m_log->channels[c].quantity == Quantity::EngineSpeed ||
                m_log->channels[c].quantity == Quantity::ManifoldPressure) {
                const int pane = m_log->channels[c].quantity == Quantity::EngineSpeed ? 0 : -1;
                std::vector<int>* target = nullptr;
                if (pane == 0 && !m_logic->panes.empty())
                    target = &m_logic->panes.front().channels;
                else if (pane < 0 && m_logic->panes.size() < LogViewLogic::kMaxPanes) {
                    bool placed = false;
                    for (const LogViewLogic::Pane& p : m_logic->panes)
                        placed = placed || std::find(p.channels.begin(), p.channels.end(),
                                                     int(c)) != p.channels.end();
                    if (!placed)
                        m_logic->panes.push_back({{int(c)}});
                }
                if (target && std::find(target->begin(), target->end(), int(c)) == target->end())
                    target->push_back(int(c));
            }
    m_logic->setWindow(start, end);
    m_logic->placeMarker(marker < m_log->rows() ? m_log->time[marker] : 0.0);
    rebuild();
    showWindow();
}

bool frmLogViewer::joinWith(Log engine) {
    if (!m_own)
        m_own = std::make_unique<Log>(*m_log);
    const LogJoin::Match m = LogJoin::find(*m_own, engine);
    if (!m.accepted) {
        m_prompter.message(m.reason, QStringLiteral("Join Engine Log"), Prompter::Icon::Exclamation,
                           Prompter::Ok);
        if (!m_engine)
            m_own.reset();
        return false;
    }
    m_engine = std::make_unique<Log>(std::move(engine));
    m_match = m;
    m_filling = true;
    m_offset->setValue(m.offset);
    m_offset->setVisible(true);
    m_filling = false;
    m_joinLabel->setText(QStringLiteral("Joined with %1: rate %2, match %3; offset")
                             .arg(LogFileReader::printable(QFileInfo(m_engine->source).fileName()))
                             .arg(m.rate, 0, 'f', 5)
                             .arg(m.score, 0, 'f', 2));
    showLog(std::make_unique<Log>(LogJoin::join(*m_own, *m_engine, m_match)));
    return true;
}

void frmLogViewer::nudgeOffset(double seconds) {
    if (!isJoined())
        return;
    m_match.offset = seconds;
    showLog(std::make_unique<Log>(LogJoin::join(*m_own, *m_engine, m_match)));
}

void frmLogViewer::cmdJoin_Click() {
    const QString path =
        m_prompter.openFileName(QStringLiteral("Join Engine Log"), LogFileCommands::openFilter());
    if (path.isEmpty())
        return;
    LogReadResult r = LogImport::open(path);
    for (const QString& w : r.warnings)
        m_prompter.message(w, QStringLiteral("Join Engine Log"), Prompter::Icon::Exclamation,
                           Prompter::Ok);
    if (!r.log) {
        m_prompter.message(r.error, QStringLiteral("Join Engine Log"), Prompter::Icon::Exclamation,
                           Prompter::Ok);
        return;
    }
    joinWith(std::move(*r.log));
}

void frmLogViewer::cmdZoomAll_Click() {
    m_logic->zoomAll();
    showWindow();
}

void frmLogViewer::cmdSavePicture_Click() {
    guarded(m_prompter, QStringLiteral("Save Picture"),
            [this] { PlotFiles::savePicture(m_prompter, *m_plot, m_settings); });
}

void frmLogViewer::cmdExportData_Click() {
    guarded(m_prompter, QStringLiteral("Export Data"), [this] {
        // The rows of the time window on the screen, every channel.
        PlotFiles::exportData(m_prompter, m_settings, [this] {
            return LogCsvWriter::write(*m_log, {}, m_logic->windowStart(), m_logic->windowEnd());
        });
    });
}

bool frmLogViewer::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    const int step = modifiers.testFlag(Qt::ShiftModifier) ? 10 : 1;
    switch (key) {
    case Qt::Key_Left:
        m_logic->stepMarker(-step);
        break;
    case Qt::Key_Right:
        m_logic->stepMarker(step);
        break;
    case Qt::Key_Home:
        m_logic->markerToStart();
        break;
    case Qt::Key_End:
        m_logic->markerToEnd();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_logic->zoomAt(m_logic->markerTime(), 1.0);
        break;
    case Qt::Key_Minus:
        m_logic->zoomAt(m_logic->markerTime(), -1.0);
        break;
    default:
        return false;
    }
    showWindow();
    m_plot->setMarkerTime(m_logic->markerTime());
    showReadouts();
    return true;
}

bool frmLogViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_plot)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const double notches = wheel->angleDelta().y() / 120.0;
        if (notches != 0.0 && m_logic->zoomAt(m_plot->timeAtPixel(wheel->position().x()), notches))
            showWindow();
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_plot->inPanes(mouse->position())) {
            m_pressed = true;
            m_dragged = false;
            m_pressAt = mouse->position();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_pressed) {
            const double dx = mouse->position().x() - m_pressAt.x();
            if (m_dragged || std::abs(dx) > 3.0) {
                m_dragged = true;
                const double seconds =
                    m_plot->timeAtPixel(m_pressAt.x()) - m_plot->timeAtPixel(mouse->position().x());
                m_pressAt = mouse->position();
                if (m_logic->panBy(seconds))
                    showWindow();
            }
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_pressed && !m_dragged) {
            m_logic->placeMarker(m_plot->timeAtPixel(mouse->position().x()));
            m_plot->setMarkerTime(m_logic->markerTime());
            showReadouts();
        }
        m_pressed = false;
        return true;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        return handleKey(key->key(), key->modifiers()) || QWidget::eventFilter(watched, event);
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
