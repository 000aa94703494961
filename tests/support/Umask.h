#pragma once

#include <QFile>
#include <QString>
#include <sys/stat.h>

// The process's umask while it lives, as a desktop or the service's unit would set it.
class Umask
{
public:
    explicit Umask(mode_t m) : m_prima(::umask(m)) {}
    ~Umask() { ::umask(m_prima); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t m_prima;
};

// The rights of a file for its owner, group and others, in Qt's hexadecimal digits (0x0660: rw-rw----).
inline int modo(const QString& path)
{
    return QFile::permissions(path).toInt() & 0x0777;
}
