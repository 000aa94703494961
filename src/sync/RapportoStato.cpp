#include "sync/RapportoStato.h"

#include "context/Settings.h"
#include "import/VersionePrenotazione.h"
#include "service/CopieScambi.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "sync/ArchivioSync.h"
#include "sync/CamereDaOffrire.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kLettura = Database::Apertura::SolaLettura;

QString quando(const QDateTime& t)
{
    return t.isValid() ? t.toString(u"dd/MM/yyyy HH:mm:ss"_s) : u"mai"_s;
}

} // namespace

void RapportoStato::aggiungi(Livello l, const QString& testo)
{
    m_riscontri.append({l, testo});
    m_livello = std::max(m_livello, l);
}

QStringList RapportoStato::righe() const
{
    QList<Riscontro> ordinati = m_riscontri;
    std::stable_sort(ordinati.begin(), ordinati.end(),
                     [](const Riscontro& a, const Riscontro& b) { return a.livello > b.livello; });
    QStringList out;
    for (const Riscontro& r : ordinati)
        out.append(r.testo);
    if (out.isEmpty())
        out.append(u"Tutto in ordine."_s);
    return out + m_note;
}

QJsonObject RapportoStato::json() const
{
    static const char16_t* nomi[] = {u"OK", u"WARNING", u"CRITICAL", u"UNKNOWN"};
    QJsonObject o = m_dati;
    o.insert(u"stato"_s, QString::fromUtf16(nomi[int(m_livello)]));
    o.insert(u"codice"_s, int(m_livello));
    o.insert(u"riscontri"_s, QJsonArray::fromStringList(righe()));
    return o;
}

RapportoStato RapportoStato::leggi(const QDir& workDir, const QDateTime& ora)
{
    RapportoStato r;
    try {
        Settings settings;
        if (!settings.load(workDir.path()))
            throw StoreError(StoreError::Engine, u"il file SBookParam.txt non esiste"_s);
        // Without these two no exchange can be made, whatever else looks well.
        for (const QString& campo : Settings::campiIndispensabiliVuoti(settings.HostName, settings.CodiceHotel))
            r.aggiungi(Livello::Avviso, u"Il campo \""_s + campo +
                                            u"\" dei parametri (SBookParam.txt) è vuoto: nessuno scambio con il "_s
                                            u"servizio è possibile."_s);
        Database sb(workDir, u"SimpleBooking.mdb"_s, kLettura);
        const ArchivioSync::Scambio timer = ArchivioSync::scambio(sb, QString::fromUtf16(ArchivioSync::Timer));
        const bool timerAttivo = timer.riuscito.isValid() && timer.riuscito.secsTo(ora) <= BattitoValido;
        r.m_dati.insert(u"timer"_s, QJsonObject{{u"ultimoBattito"_s, ArchivioSync::istante(timer.riuscito)},
                                                {u"attivo"_s, timerAttivo}});
        // On in the settings, or a running timer publishing ("--publish").
        const QDateTime pubblicato =
            ArchivioSync::scambio(sb, QString::fromUtf16(ArchivioSync::Pubblicazione)).riuscito;
        const bool pubblica = (settings.pubblica() && settings.attivo()) ||
                              (pubblicato.isValid() && pubblicato.secsTo(ora) <= BattitoValido);
        r.m_dati.insert(u"pubblicazione"_s, pubblica);
        if (!pubblica)
            r.aggiungi(Livello::Ok, u"Pubblicazione automatica della disponibilità: spenta (riga 13 di "
                                    u"SBookParam.txt, o --publish, e Attivo)."_s);

        // The exchanges.
        QJsonObject scambi;
        QDateTime ultimoRiuscito;
        for (const char16_t* nome : {ArchivioSync::Prenotazioni, ArchivioSync::Conferme, ArchivioSync::Disponibilita}) {
            const ArchivioSync::Scambio s = ArchivioSync::scambio(sb, QString::fromUtf16(nome));
            scambi.insert(QString::fromUtf16(nome),
                          QJsonObject{{u"ultimoRiuscito"_s, ArchivioSync::istante(s.riuscito)},
                                      {u"ultimoFallito"_s, ArchivioSync::istante(s.fallito)},
                                      {u"errore"_s, s.errore}});
            if (s.riuscito.isValid() && (!ultimoRiuscito.isValid() || s.riuscito > ultimoRiuscito))
                ultimoRiuscito = s.riuscito;
            if (s.inErrore())
                r.aggiungi(Livello::Avviso, QString::fromUtf16(nome) + u": ultimo scambio non riuscito il "_s +
                                                quando(s.fallito) + u" ("_s + s.errore + u")."_s);
            if (nome == ArchivioSync::Prenotazioni && timerAttivo &&
                (!s.riuscito.isValid() || s.riuscito.secsTo(ora) > 2 * 3600))
                r.aggiungi(Livello::Avviso,
                           u"Nessuno scaricamento delle prenotazioni riuscito da oltre 2 ore (ultimo: "_s +
                               quando(s.riuscito) + u")."_s);
        }
        r.m_dati.insert(u"scambi"_s, scambi);
        // A hotel that never exchanged anything counts from its timer's first tick.
        const QDateTime daQuando =
            ultimoRiuscito.isValid()
                ? ultimoRiuscito
                : ArchivioSync::scambio(sb, QString::fromUtf16(ArchivioSync::PrimoBattito)).riuscito;
        if (timerAttivo && daQuando.isValid() && daQuando.secsTo(ora) > 24 * 3600)
            r.aggiungi(Livello::Critico, u"Nessuno scambio riuscito con il servizio da oltre 24 ore."_s);

        // Web reservations waiting for QV, each with its guest, stay, rooms, since when (as the timer
        // recorded it: a time nobody recorded is not shown) and why.
        QJsonArray attesa;
        const QHash<QString, QDateTime> dal = ArchivioSync::inAttesaDal(sb);
        const QHash<QString, QString> motivi = ArchivioSync::motiviAttesa(sb);
        const bool storico = sb.hasTable(u"VersioniInQV"_s) && sb.hasTable(u"StoricoPrenotazioni"_s);
        QString campi = u"NPren, RDate, LastName, FirstName, DataFrom, DataTo, Status"_s;
        for (int k = 1; k <= 10; ++k)
            campi += u", Room%1_S, Room%1_Q"_s.arg(k);
        QSqlQuery& q = sb.run(u"SELECT "_s + campi + u" FROM "_s + sb.table(u"Reservations"_s)->sql +
                                  u" WHERE NumeroHotel = 1 AND Registrata = 0 ORDER BY rowid"_s,
                              {});
        QList<QJsonObject> righe;
        while (q.next()) {
            if (q.value(6).toString().trimmed().compare(u"Cancelled"_s, Qt::CaseInsensitive) == 0)
                continue;
            const QString id = q.value(0).toString().trimmed();
            QStringList camere;
            for (int k = 0; k < 10; ++k)
                if (const QString tipo = q.value(7 + 2 * k).toString().trimmed(); !tipo.isEmpty())
                    camere << tipo + u' ' + QString::number(q.value(8 + 2 * k).toDouble());
            const QDateTime da = dal.value(id);
            righe.append(
                {{u"NPren"_s, id},
                 {u"RDate"_s, q.value(1).toString().trimmed()},
                 {u"ospite"_s, (q.value(2).toString().trimmed() + u' ' + q.value(3).toString().trimmed()).trimmed()},
                 {u"arrivo"_s, q.value(4).toString().trimmed()},
                 {u"partenza"_s, q.value(5).toString().trimmed()},
                 {u"camere"_s, camere.join(u", "_s)},
                 {u"dal"_s, da.isValid() ? ArchivioSync::istante(da) : QString()},
                 {u"motivo"_s, motivi.value(id)}});
        }
        q.finish();
        for (QJsonObject& o : righe) {
            const QString id = o.value(u"NPren"_s).toString();
            const QDateTime da = dal.value(id);
            // A modification of a reservation QV holds: QV keeps the old stay until it is applied.
            const bool modifica = storico && VersioneApplicata::leggi(sb, id).has_value();
            if (modifica)
                o.insert(u"modifica"_s, StoricoPrenotazioni::ultimaModifica(sb, id));
            attesa.append(o);
            if (da.isValid() && da.secsTo(ora) > 3600)
                r.aggiungi(Livello::Avviso, modifica ? u"La modifica della prenotazione web "_s + id +
                                                           u" attende di essere applicata in QV dal "_s + quando(da) +
                                                           u" ("_s + o.value(u"modifica"_s).toString() + u")."_s
                                                     : u"La prenotazione web "_s + id +
                                                           u" attende di essere registrata in QV dal "_s + quando(da) +
                                                           u'.');
        }
        r.m_dati.insert(u"inAttesa"_s, attesa);
        // The first line of a status that is otherwise in order.
        if (!attesa.isEmpty())
            r.m_riscontri.prepend({Livello::Ok, attesa.size() == 1 ? u"1 prenotazione web in attesa di QV."_s
                                                                   : QString::number(attesa.size()) +
                                                                         u" prenotazioni web in attesa di QV."_s});
        // A reservation with no room type the bridge can read: only a person can enter it in QV.
        {
            QSqlQuery& q = sb.run(u"SELECT NPren FROM "_s + sb.table(u"Reservations"_s)->sql +
                                      u" WHERE NumeroHotel = 1 AND Registrata = 0 AND trim(coalesce(Room1, '')) = '' "
                                      u"AND trim(coalesce(Status, '')) <> 'Cancelled'"_s,
                                  {});
            while (q.next())
                r.aggiungi(Livello::Avviso, u"La prenotazione web "_s + q.value(0).toString().trimmed() +
                                                u" non ha un tipo di camera leggibile: va inserita in QV a mano."_s);
            q.finish();
        }

        const QStringList falliti = workDir.entryList({u"WBValuesRooms*.failed"_s}, QDir::Files);
        r.m_dati.insert(u"fileFalliti"_s, QJsonArray::fromStringList(falliti));
        if (!falliti.isEmpty())
            r.aggiungi(Livello::Avviso, u"File della disponibilità non inviati: "_s + falliti.join(u", "_s) + u'.');

        // The copies of the exchanges, as the last retention run and the one look left them: the folder
        // itself is not read (it may hold a year of copies).
        if (const auto copie = CopieScambi::leggi(sb)) {
            r.m_dati.insert(u"copie"_s, QJsonObject{{u"ultimaPulizia"_s, ArchivioSync::istante(copie->pulizia)},
                                                    {u"giorni"_s, copie->giorni},
                                                    {u"rimosse"_s, copie->rimosse},
                                                    {u"conservate"_s, copie->tenute},
                                                    {u"piuVecchia"_s, ArchivioSync::istante(copie->piuVecchia)},
                                                    {u"revisione"_s, ArchivioSync::istante(copie->revisione)},
                                                    {u"copieMascherate"_s, copie->mascherate},
                                                    {u"nonMascherate"_s, copie->nonMascherate}});
            if (copie->pulizia.isValid())
                r.m_note.append(u"Copie degli scambi: "_s + QString::number(copie->tenute) + u" conservate"_s +
                                (copie->piuVecchia.isValid()
                                     ? u", la più vecchia del "_s + TextDate::toDmy(copie->piuVecchia.date())
                                     : QString()) +
                                (copie->giorni > 0 ? u" (per "_s + QString::number(copie->giorni) + u" giorni)"_s
                                                   : u" (per sempre)"_s) +
                                u"; ultima pulizia il "_s + quando(copie->pulizia) + u'.');
            const QString revisione =
                u"Copie salvate prima della mascheratura, riviste il "_s + quando(copie->revisione) + u": "_s +
                QString::number(copie->mascherate) + u" mascherate"_s +
                (copie->nonMascherate > 0
                     ? u", "_s + QString::number(copie->nonMascherate) + u" non riscrivibili (vedere il registro)"_s
                     : QString()) +
                u'.';
            if (copie->nonMascherate > 0)
                r.aggiungi(Livello::Avviso, revisione);
            else if (copie->revisione.isValid())
                r.m_note.append(revisione);
        }

        // The drift, over the publishing horizon.
        const int giorni = settings.orizzonte();
        const CamereDaOffrire offerta = CamereDaOffrire::leggi(workDir, ora.date(), giorni, kLettura);
        QStringList sigle;
        QStringList ids;
        Deriva::Valori camere;
        for (const CamereDaOffrire::Tipo& t : offerta.tipi()) {
            sigle.append(t.sigla);
            ids.append(t.roomsId);
            camere.push_back(t.camere);
        }
        const auto differenze =
            Deriva::confronta(Deriva::obiettivo(camere, ArchivioSync::limiti(sb, sigle, ora.date(), giorni)),
                              ArchivioSync::detti(sb, ids, ora.date(), giorni));
        int rischi = 0, meno = 0, mai = 0;
        QJsonArray giorniDiversi;
        for (const Deriva::Differenza& d : differenze) {
            (d.rischio() ? rischi : d.detto ? meno : mai)++;
            giorniDiversi.append(QJsonObject{{u"tipo"_s, sigle.at(d.tipo)},
                                             {u"giorno"_s, TextDate::toIso(ora.date().addDays(d.giorno))},
                                             {u"camere"_s, d.valore},
                                             {u"detto"_s, d.detto ? QJsonValue(*d.detto) : QJsonValue()}});
        }
        r.m_dati.insert(
            u"deriva"_s,
            QJsonObject{{u"rischio"_s, rischi}, {u"meno"_s, meno}, {u"mai"_s, mai}, {u"giorni"_s, giorniDiversi}});
        if (rischi > 0)
            r.aggiungi(Livello::Critico, u"Disponibilità: "_s + QString::number(rischi) +
                                             u" giorni in cui il servizio offre più camere di quelle libere."_s);
        if (meno > 0)
            r.aggiungi(Livello::Avviso, u"Disponibilità: "_s + QString::number(meno) +
                                            u" giorni in cui il servizio offre meno camere di quelle libere."_s);
        if (mai > 0)
            r.aggiungi(pubblica ? Livello::Avviso : Livello::Ok,
                       u"Disponibilità: "_s + QString::number(mai) + u" giorni da pubblicare."_s);
    } catch (const StoreError& e) {
        r.aggiungi(Livello::Sconosciuto, u"Impossibile leggere lo stato: "_s + e.text());
    }
    return r;
}

RapportoStato::GrigliaDeriva RapportoStato::grigliaDeriva() const
{
    GrigliaDeriva g;
    const QJsonArray giorni = m_dati.value(u"deriva"_s).toObject().value(u"giorni"_s).toArray();
    for (const QJsonValue& v : giorni) {
        const QJsonObject o = v.toObject();
        const QString tipo = o.value(u"tipo"_s).toString();
        const QDate giorno = TextDate::fromIso(o.value(u"giorno"_s).toString());
        if (!g.tipi.contains(tipo))
            g.tipi.append(tipo);
        if (!g.giorni.contains(giorno))
            g.giorni.append(giorno);
    }
    std::sort(g.giorni.begin(), g.giorni.end());
    for (const QJsonValue& v : giorni) {
        const QJsonObject o = v.toObject();
        const QJsonValue detto = o.value(u"detto"_s);
        const qint64 camere = o.value(u"camere"_s).toInteger();
        const int t = int(g.tipi.indexOf(o.value(u"tipo"_s).toString()));
        const int d = int(g.giorni.indexOf(TextDate::fromIso(o.value(u"giorno"_s).toString())));
        g.celle.insert(
            QString::number(t) + u',' + QString::number(d),
            {(detto.isNull() ? u"-"_s : QString::number(detto.toInteger())) + u" \u2192 "_s + QString::number(camere),
             !detto.isNull() && detto.toInteger() > camere});
    }
    return g;
}

QStringList RapportoStato::inAttesa() const
{
    QStringList out;
    for (const QJsonValue& v : m_dati.value(u"inAttesa"_s).toArray()) {
        const QJsonObject o = v.toObject();
        const auto testo = [&](const char16_t* chiave) {
            return o.value(QString::fromUtf16(chiave)).toString();
        };
        QString riga = testo(u"NPren") + u' ' + testo(u"ospite") + u", dal "_s + TextDate::ymdToDmy(testo(u"arrivo")) +
                       u" al "_s + TextDate::ymdToDmy(testo(u"partenza")) + u", "_s +
                       (testo(u"camere").isEmpty() ? u"nessuna camera leggibile"_s : testo(u"camere"));
        if (const QDateTime da = ArchivioSync::leggiIstante(o.value(u"dal"_s).toString()); da.isValid())
            riga += u" \u2014 in attesa dal "_s + quando(da);
        if (o.contains(u"modifica"_s))
            riga += u" \u2014 modifica da applicare: "_s + testo(u"modifica");
        if (!testo(u"motivo").isEmpty())
            riga += u" \u2014 "_s + testo(u"motivo");
        out.append(riga);
    }
    return out;
}

QStringList RapportoStato::scambiFalliti() const
{
    QStringList out;
    const QJsonObject scambi = m_dati.value(u"scambi"_s).toObject();
    for (auto it = scambi.begin(); it != scambi.end(); ++it) {
        const QJsonObject o = it.value().toObject();
        const QString fallito = o.value(u"ultimoFallito"_s).toString();
        if (!fallito.isEmpty() && fallito > o.value(u"ultimoRiuscito"_s).toString())
            out.append(it.key() + u": "_s + fallito + u" \u2014 "_s + o.value(u"errore"_s).toString());
    }
    return out;
}
