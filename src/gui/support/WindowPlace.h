// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>
#include <optional>

class QWidget;

// Where a top-level window really stands on the screen, asked of the X
// server. Qt keeps its own idea of a window's place from the window
// manager's notices; under a reparenting manager (openbox) that idea is now
// and then (0, 0) for a window that stands elsewhere, and every popup placed
// from it (a combo box's list, a menu opened by key) lands off its control.
// Empty where there is no X server to ask (offscreen, Wayland).
std::optional<QPoint> TrueWindowOrigin(QWidget* window);

// Tells Qt the window's true place where its idea differs, so that what
// it places from the window lands where it belongs. The window does not move.
void SyncWindowPlace(QWidget* window);
