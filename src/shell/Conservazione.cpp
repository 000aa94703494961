#include "shell/Conservazione.h"

#include "context/AppContext.h"
#include "shell/Registro.h"
#include "store/Database.h"
#include "store/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

const QString kSimpleBooking = u"SimpleBooking.mdb"_s;

} // namespace

Conservazione::Conservazione(AppContext& ctx, Registro& registro) : m_ctx(ctx), m_registro(registro) {}

void Conservazione::avvio()
{
    bool daRivedere = false;
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        // Without its record (no table definitions of this version) the look would be taken at every start.
        if (sb.hasTable(QString::fromUtf16(CopieScambi::Tabella))) {
            const auto stato = CopieScambi::leggi(sb);
            daRivedere = !stato || !stato->revisione.isValid();
        }
    }
    if (daRivedere)
        revisione();
    pulisci();
}

void Conservazione::seDovuta()
{
    const QDate oggi = m_ctx.clock().today();
    if (m_fatta == oggi)
        return;
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        const auto stato = CopieScambi::leggi(sb);
        if (stato && stato->pulizia.isValid() && stato->pulizia.date() >= oggi) {
            m_fatta = oggi;
            return;
        }
    }
    pulisci();
}

CopieScambi::Stato Conservazione::pulisci()
{
    // Read afresh: start-up comes before the first reading of the settings.
    Settings settings;
    settings.load(m_ctx.workDir().path());
    const QDateTime ora = m_ctx.clock().now();
    CopieScambi::Stato s;
    s.pulizia = ora;
    s.giorni = settings.giorniConservazione();
    // A copy written on day D is kept through day D + giorni - 1.
    const QDate ultimoDaRimuovere = ora.date().addDays(-s.giorni);
    const QString cartella = m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder));
    const QDir dir(cartella);
    const QStringList nomi = QFileInfo(cartella).isDir() ? dir.entryList(QDir::Files) : QStringList();
    for (const QString& nome : nomi) {
        const auto scritta = CopieScambi::scritta(nome);
        if (!scritta)
            continue;
        // Another workstation may have removed it a moment ago.
        if (s.giorni > 0 && scritta->date() <= ultimoDaRimuovere &&
            (QFile::remove(dir.filePath(nome)) || !QFileInfo::exists(dir.filePath(nome)))) {
            ++s.rimosse;
            continue;
        }
        ++s.tenute;
        if (!s.piuVecchia.isValid() || *scritta < s.piuVecchia)
            s.piuVecchia = *scritta;
    }
    int storia = 0;
    Database sb(m_ctx.workDir(), kSimpleBooking);
    Database::Transaction uow(sb);
    // The previous versions of modified reservations hold guests' data as the copies do: kept as long.
    // The version QV holds now (VersioniInQV) is no copy, and stays.
    if (s.giorni > 0 && sb.hasTable(u"StoricoPrenotazioni"_s)) {
        QSqlQuery& q = sb.run(u"DELETE FROM "_s + sb.table(u"StoricoPrenotazioni"_s)->sql +
                                  u" WHERE NumeroHotel = 1 AND Ricevuta < ?"_s,
                              {ultimoDaRimuovere.addDays(1).toString(u"yyyy-MM-dd"_s)});
        storia = q.numRowsAffected();
        q.finish();
    }
    if (sb.hasTable(QString::fromUtf16(CopieScambi::Tabella)))
        CopieScambi::registraPulizia(sb, s);
    uow.commit();
    m_fatta = ora.date();
    if (s.rimosse > 0 || storia > 0)
        m_registro.scrivi(u"Copie degli scambi più vecchie di "_s + QString::number(s.giorni) +
                          u" giorni: eliminate "_s + QString::number(s.rimosse) +
                          u", versioni precedenti di prenotazioni eliminate "_s + QString::number(storia) +
                          u"; copie conservate "_s + QString::number(s.tenute) + u'.');
    return s;
}

CopieScambi::Stato Conservazione::revisione()
{
    CopieScambi::Stato s;
    s.revisione = m_ctx.clock().now();
    QStringList mascherare;
    QStringList proteggere;
    const QString cartella = m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder));
    if (QFileInfo(cartella).isDir()) {
        const QDir dir(cartella);
        proteggere.append(cartella);
        for (const QString& nome : dir.entryList(QDir::Files))
            if (CopieScambi::scritta(nome))
                mascherare.append(dir.filePath(nome));
        for (const QString& nome : CopieScambi::ultimiInSimpleBooking())
            mascherare.append(m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder) + u'/' + nome));
    }
    for (const QString& nome : CopieScambi::ultimiNellaCartella())
        mascherare.append(m_ctx.path(nome));
    QString primoErrore;
    for (const QString& path : std::as_const(mascherare)) {
        if (!QFileInfo::exists(path))
            continue;
        QString errore;
        switch (CopieScambi::mascheraFile(path, &errore)) {
        case CopieScambi::Maschera::Mascherata:
            ++s.mascherate;
            break;
        case CopieScambi::Maschera::Errore:
            ++s.nonMascherate;
            if (primoErrore.isEmpty())
                primoErrore = errore;
            break;
        case CopieScambi::Maschera::Invariata:
            break;
        }
        proteggere.append(path);
    }
    // The settings keep the passwords, as QV's settings need: only the others' rights go.
    proteggere.append(m_ctx.path(QString::fromUtf16(Settings::FileName)));
    for (const QString& path : std::as_const(proteggere))
        if (QFileInfo::exists(path))
            TextFile::togliAltri(path);
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        Database::Transaction uow(sb);
        CopieScambi::registraRevisione(sb, s);
        uow.commit();
    }
    if (s.mascherate > 0 || s.nonMascherate > 0)
        m_registro.scrivi(u"Copie degli scambi già salvate: "_s + QString::number(s.mascherate) +
                          u" mascherate (numeri di carta, codici di sicurezza e password)"_s +
                          (s.nonMascherate > 0 ? u", "_s + QString::number(s.nonMascherate) + u" non riscrivibili ("_s +
                                                     primoErrore + u')'
                                               : QString()) +
                          u"; i file del programma non sono più leggibili dagli altri utenti."_s);
    return s;
}
