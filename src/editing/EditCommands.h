#pragma once
// The Edit menu and its buttons: clipboard, Clear All, Select All,
// Time/ Date and the search dialog. Menu item and button of a pair run the
// same member.

#include <QPointer>

#include <memory>

class ClipboardPort;
class Clock;
class Form2;
class MainWindow;

// The platform seams the edit commands use.
struct EditSeams
{
    std::shared_ptr<ClipboardPort> clipboard;
    std::shared_ptr<Clock> clock;   // Time/ Date
};

class EditCommands
{
public:
    EditCommands(MainWindow &window, EditSeams seams);
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
