// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WindowPlacement.h"

#include "support/SettingsStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace WindowPlacement {

QSize fitSize(QSize wanted, const QRect& available) {
    if (!available.isValid())
        return wanted;
    const QSize room = (available.size() - kFrameAllowance).expandedTo(QSize(1, 1));
    return wanted.boundedTo(room);
}

void resizeToFit(QWidget& window, QSize wanted) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    window.resize(screen ? fitSize(wanted, screen->availableGeometry()) : wanted);
}

QRect keepOnScreen(const QRect& frame, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return frame;
    const QRect* best = &screens.first();
    qint64 bestArea = 0;
    for (const QRect& s : screens) {
        const QRect common = s.intersected(frame);
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &s;
        }
    }
    if (best->contains(frame))
        return frame;
    QRect out(frame.topLeft(), frame.size().boundedTo(best->size()));
    out.moveLeft(std::clamp(out.left(), best->left(), best->right() - out.width() + 1));
    out.moveTop(std::clamp(out.top(), best->top(), best->bottom() - out.height() + 1));
    return out;
}

void save(const QWidget& window, SettingsStore& settings, const QString& key) {
    settings.setValue(key, QString::fromLatin1(window.saveGeometry().toBase64()));
}

bool restore(QWidget& window, const SettingsStore& settings, const QString& key) {
    const std::optional<QString> text = settings.value(key);
    if (!text || text->isEmpty())
        return false;
    if (!window.restoreGeometry(QByteArray::fromBase64(text->toLatin1())))
        return false;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    // Qt measures a top-level window's position by its frame; until the window is shown
    // the frame is the window itself.
    const QRect frame = window.frameGeometry();
    const QRect placed = keepOnScreen(frame, screens);
    if (placed != frame) {
        window.resize(window.size().boundedTo(placed.size()));
        window.move(placed.topLeft());
    }
    return true;
}

namespace {

class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget& window, SettingsStore& settings, QString key,
                   std::function<void()> onHide)
        : QObject(&window), m_window(window), m_settings(settings), m_key(std::move(key)),
          m_onHide(std::move(onHide)) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
            if (m_onHide)
                m_onHide();
            save(m_window, m_settings, m_key);
        }
        return false;
    }

private:
    QWidget& m_window;
    SettingsStore& m_settings;
    QString m_key;
    std::function<void()> m_onHide;
};

} // namespace

void remember(QWidget& window, SettingsStore& settings, const QString& key,
              std::function<void()> onHide) {
    restore(window, settings, key);
    new GeometryKeeper(window, settings, key, std::move(onHide));
}

} // namespace WindowPlacement
