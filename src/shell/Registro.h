#pragma once

#include <QFile>
#include <QString>

class Clock;

// What the bridge did, for an operator who looks back later: each entry goes to standard error
// and, when one is open, to a log file that grows by one line per entry.
class Registro
{
public:
    explicit Registro(const Clock& clock, bool suStandardError = true);

    // Opens the log file for appending, creating it when missing. The error text, empty on success.
    QString apri(const QString& path);
    bool haFile() const { return m_file.isOpen(); }

    // One entry, stamped with the date and time; the lines of a longer text are indented.
    void scrivi(const QString& testo);

private:
    const Clock& m_clock;
    bool m_suStandardError;
    QFile m_file;
};
