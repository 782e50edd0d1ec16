#pragma once
// The one ownership rule for secondary windows (search, tools, views): each
// is a child of the main window, so it goes when the main window goes, and
// the subsystem that opens it reaches it through a QPointer, which empties
// when the window destroys itself on close.

#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

#include <utility>

// Shown, raised above the others and made the active window.
inline void presentWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

// Escape puts away a window that has no Cancel button, as its close box
// does, so it can be left from the keyboard alone.
inline void closeOnEscape(QWidget *window)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

// The window behind slot, built from args on first use (or after it was
// destroyed), presented.
template <typename Window, typename... Args>
Window *openSecondary(QPointer<Window> &slot, Args &&...args)
{
    if (!slot)
        slot = new Window(std::forward<Args>(args)...);
    presentWindow(slot);
    return slot;
}
