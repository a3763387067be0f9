#pragma once

#include <QString>

#include <memory>

// Keeps the machine from idling into sleep while the program works: a logind
// inhibitor lock held for the life of the returned token. Where no logind
// answers (no system bus, a container), begin() returns nothing and the
// program simply runs without one.
class ProcessActivity
{
public:
    ~ProcessActivity();
    static std::unique_ptr<ProcessActivity> begin(const QString& reason);

private:
    explicit ProcessActivity(int fd) : fd_(fd) {}
    int fd_;
};
