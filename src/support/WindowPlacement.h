// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;
class SettingsStore;

// Where the program's windows open and how big: a window never opens larger than the
// screen it is on (a 1366x768 laptop with its task bar included), and a window that comes
// back from the settings at a place no screen shows any more is moved back into view.
namespace WindowPlacement {

// Room a window manager takes around a window (title bar, borders) that the window's own
// size does not include.
inline constexpr QSize kFrameAllowance{16, 40};

// `wanted`, made small enough that the window with its frame fits `available`.
QSize fitSize(QSize wanted, const QRect& available);
// Resizes `window` to `wanted`, or less where its screen is smaller.
void resizeToFit(QWidget& window, QSize wanted);

// `frame` moved (and shrunk if need be) so that it lies inside one of `screens`: the one it
// overlaps most, or the first when it overlaps none. A frame already inside stays put.
QRect keepOnScreen(const QRect& frame, const QList<QRect>& screens);

// The window's size and position in the settings store under `key` (Qt's saved geometry
// as base-64 text).
void save(const QWidget& window, SettingsStore& settings, const QString& key);
// Puts back what save() stored, brought onto the available screens. False when there was
// nothing usable under `key` (the window keeps its size).
bool restore(QWidget& window, const SettingsStore& settings, const QString& key);
// restore() now, and save() whenever the window is closed or hidden by the program (not
// when the user minimises it). `onHide`, when given, runs just before, to store more.
// `settings` must outlive the window.
void remember(QWidget& window, SettingsStore& settings, const QString& key,
              std::function<void()> onHide = {});

} // namespace WindowPlacement
