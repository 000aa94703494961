#include "shell/CartellaDati.h"

#include "store/TextFile.h"

#include <QFileInfo>
#include <array>

using namespace Qt::StringLiterals;

namespace CartellaDati {

bool cartellaQV(const QDir& dir)
{
    static constexpr std::array kSegni = {u"SBOOK.DBT", u"Scheda_Prenotazione.mdb", u"Contatori.mdb"};
    for (const char16_t* nome : kSegni)
        if (QFileInfo(dir.filePath(TextFile::resolve(dir, QString::fromUtf16(nome)))).isFile())
            return true;
    return false;
}

QString rifiuto(const QDir& dir, bool init)
{
    if (init || cartellaQV(dir))
        return {};
    return u"la cartella "_s + QDir::toNativeSeparators(dir.absolutePath()) +
           u" non è una cartella dei dati di QV: non contiene SBOOK.DBT né i file di QV "
           u"(Scheda_Prenotazione.mdb, Contatori.mdb). Avviare il programma nella cartella dei dati di QV "
           u"(--dir CARTELLA); per preparare qui un nuovo archivio aggiungere --init."_s;
}

QString rifiutoScelta(const QString& scelta, const QString& home, bool init)
{
    const QFileInfo info(scelta);
    if (!info.isDir())
        return u"La cartella "_s + QDir::toNativeSeparators(scelta) + u" non esiste."_s;
    const QString percorso = info.canonicalFilePath();
    const QString casa = QFileInfo(home).canonicalFilePath();
    if (!casa.isEmpty() && percorso == casa)
        return u"La cartella personale "_s + QDir::toNativeSeparators(percorso) +
               u" non è la cartella dei dati di QV: sceglierne un'altra."_s;
    QString motivo = rifiuto(QDir(percorso), init);
    if (!motivo.isEmpty())
        motivo[0] = motivo.at(0).toUpper();
    return motivo;
}

} // namespace CartellaDati
