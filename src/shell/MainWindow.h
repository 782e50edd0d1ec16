#pragma once
// What a subsystem may touch of the main window: the editing area, the one
// common dialog, the status line, the title, and showing or hiding the
// window. Subsystems and their windows reach the main window only through
// this, never through its other controls or each other's state.

#include "base/Status.h"

#include <QString>

class CommonDialog;
class QWidget;
class RichTextBox;

class MainWindow
{
public:
    virtual RichTextBox &documentBox() = 0;
    virtual CommonDialog &commonDialog() = 0;

    // Replaces the status line with statusText(tag, text).
    virtual void setStatus(StatusTag tag, const QString &text) = 0;
    // Title forms: the caption alone, or the caption, ": " and the file.
    virtual void setTitleFile(const QString &path) = 0;
    virtual void resetTitle() = 0;

    // The main window's widget: parent of every secondary window, which is
    // therefore destroyed with it.
    virtual QWidget *widget() = 0;
    // Shown, raised and made the active window.
    virtual void showMain() = 0;
    virtual void hideMain() = 0;

protected:
    ~MainWindow() = default;
};
