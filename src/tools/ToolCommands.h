#pragma once
// The Tools menu and its buttons: each shows its one dialog, creating it on
// first use, and returns.

#include <QPointer>

class Form4;
class Form5;
class MainWindow;

class ToolCommands
{
public:
    explicit ToolCommands(MainWindow &window);
    ~ToolCommands();

    void showEncryption();
    void showTransfers();

private:
    MainWindow &m_window;
    QPointer<Form4> m_encryption;
    QPointer<Form5> m_transfers;
};
