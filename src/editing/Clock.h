#pragma once
// Today's date and the time of day, for Time/ Date. Tests give a fixed one.

#include <QDate>
#include <QTime>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate currentDate() = 0;
    virtual QTime currentTime() = 0;
};

class SystemClock : public Clock
{
public:
    QDate currentDate() override { return QDate::currentDate(); }
    QTime currentTime() override { return QTime::currentTime(); }
};
