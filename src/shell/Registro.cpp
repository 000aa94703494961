#include "shell/Registro.h"

#include "context/Clock.h"
#include "service/MascheraDati.h"
#include "store/TextFile.h"

#include <cstdio>

using namespace Qt::StringLiterals;

Registro::Registro(const Clock& clock, bool suStandardError) : m_clock(clock), m_suStandardError(suStandardError) {}

QString Registro::apri(const QString& path)
{
    m_file.close();
    m_file.setFileName(path);
    const bool nuovo = !m_file.exists();
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return m_file.errorString();
    if (nuovo)
        TextFile::soloProprietarioEGruppo(path);
    return {};
}

void Registro::scrivi(const QString& testo)
{
    // A quoted answer may carry a card: the log keeps no more of it than the text boxes show.
    QString corpo = mascheraDati(testo);
    corpo.replace(u"\r\n"_s, u"\n"_s);
    corpo.replace(u'\r', u'\n');
    corpo.replace(u"\n"_s, u"\n                    "_s);
    const QString riga = m_clock.now().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u' ' + corpo;
    if (m_suStandardError) {
        const QByteArray bytes = riga.toLocal8Bit() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    if (m_file.isOpen()) {
        // The bridge's own files are in the system's code page with CR LF, like every other file it writes.
        QString fileRiga = riga;
        fileRiga.replace(u"\n"_s, u"\r\n"_s);
        m_file.write(TextFile::toCp1252(fileRiga + u"\r\n"_s));
        m_file.flush();
    }
}
