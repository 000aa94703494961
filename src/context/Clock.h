#pragma once

#include <QDateTime>

// Every "now" and "today" of the bridge comes from here, so tests can fix the date and the minute.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until it is told otherwise.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime at) : m_at(std::move(at)) {}
    QDateTime now() const override { return m_at; }
    void set(QDateTime at) { m_at = std::move(at); }
    void advanceSecs(qint64 s) { m_at = m_at.addSecs(s); }

private:
    QDateTime m_at;
};
