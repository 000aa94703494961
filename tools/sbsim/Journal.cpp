#include "Journal.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

bool Journal::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = u"cannot write the journal %1: %2"_s.arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void Journal::append(const QJsonObject& entry)
{
    QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    line.append('\n');
    m_text.append(line);
    if (m_file.isOpen()) {
        m_file.write(line);
        m_file.flush();
    }
}
