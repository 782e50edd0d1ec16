#pragma once
// The wait cursor for as long as a command that may take a while runs.

#include <QApplication>

class BusyCursor
{
public:
    explicit BusyCursor(bool on = true) : m_on(on)
    {
        if (m_on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_on;
};
