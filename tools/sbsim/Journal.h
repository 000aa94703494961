#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QString>

// Every request the simulator receives, one compact JSON object a line; kept in memory for /_sim/journal
// and, when a file is given, appended to it and flushed at once so a test can read it while the
// simulator runs. The owner serialises the calls.
class Journal
{
public:
    bool open(const QString& path, QString* error);
    void append(const QJsonObject& entry);
    QByteArray text() const { return m_text; }

private:
    QFile m_file;
    QByteArray m_text;
};
