#pragma once
// Starting another program without waiting for it. Behind an interface so
// tests can see what would have been started.

#include <QString>

#include <memory>

class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // Starts the program named by its full file name, detached. False when
    // it could not be started.
    virtual bool start(const QString &program) = 0;
};

class DetachedLauncher : public ProcessLauncher
{
public:
    bool start(const QString &program) override;
};

std::shared_ptr<ProcessLauncher> defaultLauncher();
