#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Puts a fixed-size window in the middle of the primary screen. Called before the first show,
// so that a dialog whose owner is still hidden does not open at the owner's corner.
inline void centreOnScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
}
