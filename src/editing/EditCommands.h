#pragma once
// The Edit menu and its buttons: clipboard, Clear All, Select All,
// Time/ Date and the search dialog. Menu item and button of a pair run the
// same member.

#include "shell/Services.h"

#include <QPointer>

class Form2;
class MainWindow;

class EditCommands
{
public:
    EditCommands(MainWindow &window, const Services &services);
    ~EditCommands();

    void cut();
    void copy();
    void paste();
    void clearAll();
    void selectAll();
    void insertTimeDate();
    void showSearch();

private:
    bool selectionToClipboard();

    MainWindow &m_window;
    std::shared_ptr<ClipboardPort> m_clipboard;
    std::shared_ptr<Clock> m_clock;
    QPointer<Form2> m_search;   // the search dialog while it exists
};
