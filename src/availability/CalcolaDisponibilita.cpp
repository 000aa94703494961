#include "availability/CalcolaDisponibilita.h"

#include "availability/AggiornaAllotment.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/ValueCleaning.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kAllotments = u"Allotments.mdb"_s;

// A month row of Disponibilita.mdb (a rack row or a counter row), read once per count, changed in
// memory and written back whole at the end: a booking with several room rows of one type, or a
// room row whose label and colour fill many nights, writes each row once.
class RigheMese
{
public:
    struct Riga
    {
        std::unique_ptr<Recordset> trovata; // on the stored row; null for a row to add
        QVariantMap chiavi;                 // the key fields of a row to add
        QHash<QString, QString> campi;      // the slot fields
    };

    RigheMese(Database& db, const QString& tabella, const QString& chiave, QStringList campi, int larghezza)
        : m_db(db), m_tabella(tabella), m_chiave(chiave), m_campi(std::move(campi)), m_larghezza(larghezza)
    {
    }

    // The row of the key; nuova() gives the contents of a row that does not exist yet.
    template <typename Nuova>
    Riga& riga(qint16 hotel, const QString& chiave, const QVariantMap& altreChiavi, Nuova nuova)
    {
        if (auto it = m_righe.find(chiave); it != m_righe.end())
            return *it->second;
        auto riga = std::make_unique<Riga>();
        auto rs = std::make_unique<Recordset>(m_db.OpenRecordset(
            u"Select * From "_s + m_tabella + u" Where NumeroHotel = ? and "_s + m_chiave + u" = ?"_s,
            {hotel, chiave}));
        if (rs->FindFirst({})) {
            for (const QString& campo : m_campi)
                riga->campi.insert(campo, rs->Field(campo).toString());
            riga->trovata = std::move(rs);
        } else {
            riga->campi = nuova();
            riga->chiavi = altreChiavi;
            riga->chiavi.insert(u"NumeroHotel"_s, hotel);
            riga->chiavi.insert(m_chiave, chiave);
        }
        m_ordine.append(chiave);
        return *m_righe.emplace(chiave, std::move(riga)).first->second;
    }

    void salva()
    {
        std::unique_ptr<Recordset> tabella;
        for (const QString& chiave : m_ordine) {
            Riga& riga = *m_righe.at(chiave);
            Recordset* rs = riga.trovata.get();
            if (rs) {
                rs->Edit();
            } else {
                if (!tabella)
                    tabella = std::make_unique<Recordset>(m_db.OpenRecordset(m_tabella));
                rs = tabella.get();
                rs->AddNew();
                for (auto it = riga.chiavi.cbegin(); it != riga.chiavi.cend(); ++it)
                    rs->setField(it.key(), it.value());
            }
            // Every field keeps its 31 slots, however short it was stored.
            for (const QString& campo : m_campi) {
                const qsizetype lunghezza = campo == u"Uso" ? 31 : qsizetype(31) * m_larghezza;
                rs->setField(campo, riga.campi.value(campo).leftJustified(lunghezza, u' '));
            }
            rs->Update();
        }
    }

private:
    Database& m_db;
    QString m_tabella;
    QString m_chiave;
    QStringList m_campi;
    int m_larghezza;
    std::map<QString, std::unique_ptr<Riga>> m_righe;
    QStringList m_ordine;
};

// One room row of the booking, as counting reads it.
struct CameraPrenotata
{
    QString tipoCamera;
    QString numeroCamera;
    QString tipoPrenotazione;
    int quantita = 0;
    qint32 codiceAllotment = 0;
    QString arrivo;   // yyyymmdd
    QString partenza; // yyyymmdd
};

struct Colore
{
    int rosso = 255;
    int verde = 255;
    int blu = 255;
};

// The colour part as three digits; a value outside 0..999 is cut to its slot.
QString treCifre(int parte)
{
    const QString testo = parte < 0 ? u"-"_s + QString::number(-qint64(parte)).rightJustified(2, u'0')
                                    : QString::number(parte).rightJustified(3, u'0');
    return tagliaTesto(testo, 3);
}

QString annoMese(const QDate& giorno)
{
    return giorno.toString(u"yyyyMM"_s);
}

// dd/mm/yyyy checks of a yyyymmdd pair: both dates valid, the first not after the second.
bool dateValide(const QString& arrivo, const QString& partenza)
{
    const QString a = TextDate::ymdToDmy(arrivo);
    const QString p = TextDate::ymdToDmy(partenza);
    return DataValida(a) && DataValida(p) && DataNonSuccessiva(a, p);
}

// Whether the file a database name stands for exists in the working directory.
bool esiste(const QDir& dir, const QString& file)
{
    return QFileInfo::exists(databaseFile(dir, file));
}

} // namespace

QStringList CalcolaDisponibilita::fileNecessari()
{
    return {u"Disponibilita.mdb"_s,
            u"TipiCamere.mdb"_s,
            u"Scheda_Prenotazione.mdb"_s,
            u"ListaClienti_Prenotazione.mdb"_s,
            u"Camere_Prenotazione.mdb"_s,
            u"RifAllot_Prenotazione.mdb"_s,
            u"Colori.mdb"_s,
            kAllotments};
}

std::optional<QString> CalcolaDisponibilita::conta(Database& uow, const QString& operazione, qint32 numeroPrenotazione,
                                                   qint16 segno)
{
    // Files the caller attached are left as they are; a missing allotment file stays missing.
    for (const QString& file : fileNecessari())
        if (file != kAllotments || esiste(m_ctx.workDir(), file))
            uow.attach(file);
    if (operazione != u"P")
        return std::nullopt;

    const qint16 hotel = m_ctx.NumeroHotelCorrente;
    const qint32 numero = numeroPrenotazione;
    const bool contare = segno == 1;
    const int verso = contare ? 1 : -1; // rooms taken from Libere when counting, given back otherwise

    Recordset scheda = uow.OpenRecordset(u"SELECT * FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {numero});
    if (!scheda.FindFirst(u"NumeroHotel = ? and NumeroPrenotazione = ?"_s, {hotel, numero}))
        return std::nullopt;
    const QString errore = u"Errore riscontrato nella Prenotazione n. "_s + QString::number(numero);

    // The room rows with someone in them; every one is checked before anything is written.
    std::vector<CameraPrenotata> camere;
    {
        Recordset rs = uow.OpenRecordset(u"SELECT * FROM Camere_Prenotazione WHERE NumeroPrenotazione = ?"_s, {numero});
        const QString criterio = u"NumeroHotel = ? and NumeroPrenotazione = ? and NumeroPersone > 0"_s;
        for (bool trovata = rs.FindFirst(criterio, {hotel, numero}); trovata;
             trovata = rs.FindNext(criterio, {hotel, numero})) {
            CameraPrenotata c;
            c.tipoCamera = rs[u"TipoCamera"_s].toString().trimmed();
            c.numeroCamera = rs[u"NumeroCamera"_s].toString().trimmed();
            c.tipoPrenotazione = rs[u"TipoPrenotazione"_s].toString();
            c.quantita = rs[u"QuantitàCamere"_s].toInt();
            c.codiceAllotment = rs[u"CodiceAllotment"_s].toInt();
            c.arrivo = rs[u"DataArrivo"_s].toString();
            c.partenza = rs[u"DataPartenza"_s].toString();
            if (!dateValide(c.arrivo, c.partenza))
                return errore;
            camere.push_back(c);
        }
    }

    const QString tipoScheda = scheda[u"TipoPrenotazione"_s].toString();
    const QString nomeScheda = scheda[u"NomeCliente"_s].toString().trimmed();
    const QString codice = tagliaTesto(QString::number(numero), 5).leftJustified(5, u' ');

    RigheMese monitor(uow, u"Monitor"_s, u"AMC"_s,
                      {u"Uso"_s, u"Codice"_s, u"Cliente"_s, u"Red"_s, u"Green"_s, u"Blue"_s}, 3);
    RigheMese tipi(uow, u"DisponibilitàTipi"_s, u"AMT"_s,
                   {u"Libere"_s, u"Occupate"_s, u"Confermate"_s, u"Opzionate"_s, u"Allotment"_s}, 5);

    // The rack: letter and colour from the sheet's kind and owner.
    QChar lettera = u'Z';
    QString classe;
    if (tipoScheda == u"C" || tipoScheda == u"D") {
        lettera = u'C';
        classe = u"CONFE"_s;
    } else if (tipoScheda == u"T") {
        lettera = u'T';
        classe = u"ATCAP"_s;
    } else if (tipoScheda == u"O") {
        lettera = u'P';
        classe = u"OPZIO"_s;
    } else if (tipoScheda == u"R") {
        lettera = u'R';
        classe = u"ALLOT"_s;
    }

    if (lettera != u'Z') {
        const QString chiave = TestoTraAsterischi(scheda[u"Commento"_s].toString());
        const qint32 codiceDitta = scheda[u"CodiceDitta"_s].toInt();
        QString utente = chiave;
        int codiceColore = 6;
        if (chiave.isEmpty()) {
            utente = codiceDitta > 0 ? u"D"_s : u" "_s;
            codiceColore = codiceDitta > 0 ? codiceDitta : 0;
        }
        Colore colore;
        Recordset colori = uow.OpenRecordset(u"Colori"_s);
        if (colori.FindFirst(u"Tipo = ? and Utente = ? and Codice = ?"_s, {classe, utente, codiceColore}) ||
            colori.FindFirst(u"Tipo = ? and Utente = ' ' and Codice = 0"_s, {classe})) {
            colore = {colori[u"Rosso"_s].toInt(), colori[u"Verde"_s].toInt(), colori[u"Blu"_s].toInt()};
        }
        const QString rosso = treCifre(colore.rosso);
        const QString verde = treCifre(colore.verde);
        const QString blu = treCifre(colore.blu);

        Recordset lista =
            uow.OpenRecordset(u"SELECT * FROM ListaClienti_Prenotazione WHERE NumeroPrenotazione = ?"_s, {numero});
        for (const CameraPrenotata& c : camere) {
            // A row without a room has no place on the rack.
            if (c.numeroCamera.isEmpty())
                continue;
            const QString nome = lista.FindFirst(u"NumeroHotel = ? and NumeroPrenotazione = ? and NumeroCamera = ?"_s,
                                                 {hotel, numero, c.numeroCamera})
                                     ? lista[u"NomeCliente"_s].toString().trimmed()
                                     : nomeScheda;
            QString etichetta = nome + u' ';
            const QDate partenza = TextDate::fromYmd(c.partenza);
            for (QDate giorno = TextDate::fromYmd(c.arrivo); giorno < partenza; giorno = giorno.addDays(1)) {
                auto& riga =
                    monitor.riga(hotel, annoMese(giorno) + c.numeroCamera, {{u"NumeroCamera"_s, c.numeroCamera}}, [] {
                        return QHash<QString, QString>{
                            {u"Uso"_s, DaySlots::repeated(u" "_s)},       {u"Codice"_s, DaySlots::repeated(u"     "_s)},
                            {u"Cliente"_s, DaySlots::repeated(u"   "_s)}, {u"Red"_s, DaySlots::repeated(u"   "_s)},
                            {u"Green"_s, DaySlots::repeated(u"   "_s)},   {u"Blue"_s, DaySlots::repeated(u"   "_s)}};
                    });
                auto metti = [&](const QString& campo, int larghezza, const QString& valore) {
                    riga.campi[campo] = DaySlots::withSlot(riga.campi[campo], giorno.day(), larghezza, valore);
                };
                if (contare) {
                    metti(u"Uso"_s, 1, QString(lettera));
                    metti(u"Codice"_s, 5, codice);
                    // The label reads across the nights, 3 characters each, and starts again when it ends.
                    metti(u"Cliente"_s, 3, tagliaTesto(etichetta, 3));
                    etichetta = etichetta.mid(tagliaTesto(etichetta, 3).size());
                    if (etichetta.isEmpty())
                        etichetta = nome + u"  "_s;
                    metti(u"Red"_s, 3, rosso);
                    metti(u"Green"_s, 3, verde);
                    metti(u"Blue"_s, 3, blu);
                } else {
                    metti(u"Uso"_s, 1, u" "_s);
                    metti(u"Codice"_s, 5, u"00000"_s);
                    for (const QString& campo : {u"Cliente"_s, u"Red"_s, u"Green"_s, u"Blue"_s})
                        metti(campo, 3, u"   "_s);
                }
            }
        }
    }

    // The counters per room type, for every room row whatever the kind.
    const bool riservaPresente = uow.hasTable(u"Riserva"_s);
    Recordset tipiCamere = uow.OpenRecordset(u"TipiCamere"_s);
    QHash<QString, std::optional<int>> quantitaTipo;
    auto quantitaDi = [&](const QString& tipo) -> std::optional<int> {
        if (auto it = quantitaTipo.constFind(tipo); it != quantitaTipo.cend())
            return *it;
        std::optional<int> q;
        if (tipiCamere.FindFirst(u"NumeroHotel = ? and Sigla = ?"_s, {hotel, tipo}))
            q = tipiCamere[u"Quantita"_s].toInt();
        quantitaTipo.insert(tipo, q);
        return q;
    };
    auto rigaTipo = [&](const QDate& giorno, const QString& tipo, int quantita) -> RigheMese::Riga& {
        return tipi.riga(hotel, annoMese(giorno) + tipo, {}, [quantita] {
            return QHash<QString, QString>{{u"Libere"_s, DaySlots::repeated(DaySlots::counter(quantita))},
                                           {u"Occupate"_s, DaySlots::repeated(DaySlots::counter(0))},
                                           {u"Confermate"_s, DaySlots::repeated(DaySlots::counter(0))},
                                           {u"Opzionate"_s, DaySlots::repeated(DaySlots::counter(0))},
                                           {u"Allotment"_s, DaySlots::repeated(DaySlots::counter(0))}};
        });
    };
    // A count that does not fit its 5 characters would be stored cut ("-1000" for -10000): the
    // counting fails as a whole instead.
    std::optional<QString> fuoriScala;
    auto aggiungi = [&](RigheMese::Riga& riga, const QString& tipo, const QString& campo, const QDate& giorno,
                        long long delta) {
        QString& testo = riga.campi[campo];
        const long long valore = DaySlots::leadingNumber(DaySlots::slot(testo, giorno.day(), 5)) + delta;
        const QString nuovo = DaySlots::counter(valore);
        if (nuovo.size() > 5 && !fuoriScala)
            fuoriScala = errore + u": "_s + campo + u" del tipo "_s + tipo + u" il "_s + TextDate::toDmy(giorno) +
                         u" diventerebbe "_s + nuovo.trimmed() + u", che non entra nelle 5 cifre di QV"_s;
        testo = DaySlots::withSlot(testo, giorno.day(), 5, nuovo);
    };

    std::unique_ptr<Recordset> riserva;
    if (riservaPresente)
        riserva = std::make_unique<Recordset>(uow.OpenRecordset(u"Riserva"_s));
    const QString scadenza = scheda[u"DataScadenza"_s].toString().trimmed();

    for (const CameraPrenotata& c : camere) {
        // A type QV does not have (a row written with the service's own code) has no counters.
        const std::optional<int> quantitaTotale = quantitaDi(c.tipoCamera);
        if (!quantitaTotale)
            continue;
        const int q = c.quantita;
        const QString& kind = c.tipoPrenotazione;

        QString tipoAllotment = c.tipoCamera;
        std::optional<int> quantitaAllotment = quantitaTotale;
        if (kind == u"D") {
            Recordset rif =
                uow.OpenRecordset(u"SELECT * FROM RifAllot_Prenotazione WHERE NumeroPrenotazione = ?"_s, {numero});
            if (rif.FindFirst(u"NumeroHotel = ? and NumeroPrenotazione = ? and NumeroCamera = ?"_s,
                              {hotel, numero, c.numeroCamera})) {
                const QString tipoAll = rif[u"TipoCameraAll"_s].toString().trimmed();
                const bool agenzia = tipoAll == u"A";
                const qint32 titolare = agenzia ? rif[u"CodiceAgenzia"_s].toInt() : rif[u"CodiceDitta"_s].toInt();
                const int camereLink = rif[u"QuantitàCamere"_s].toInt();
                // Counting takes the rooms from the allotment, uncounting gives them back.
                AggiornaAllotment(uow, hotel, titolare, agenzia ? u"A"_s : u"D"_s, rif[u"DataArrivo"_s].toString(),
                                  rif[u"DataPartenza"_s].toString(), tipoAll, rif[u"NumeroCamera"_s].toString(),
                                  qint16(contare ? camereLink : -camereLink));
                if (!tipoAll.isEmpty() && tipoAll != c.tipoCamera) {
                    tipoAllotment = tipoAll;
                    quantitaAllotment = quantitaDi(tipoAll);
                }
            }
        }

        // An allotment booking starts holding its rooms from its deadline, when it has one.
        QString inizio = c.arrivo;
        if (kind == u"R" && DataValida(TextDate::ymdToDmy(scadenza)) && scadenza > c.arrivo)
            inizio = scadenza;
        const QDate partenza = TextDate::fromYmd(c.partenza);
        for (QDate giorno = TextDate::fromYmd(inizio); giorno < partenza; giorno = giorno.addDays(1)) {
            const QString ymd = TextDate::toYmd(giorno);
            RigheMese::Riga& riga = rigaTipo(giorno, c.tipoCamera, *quantitaTotale);
            if (kind == u"C") {
                aggiungi(riga, c.tipoCamera, u"Libere"_s, giorno, -verso * q);
                aggiungi(riga, c.tipoCamera, u"Confermate"_s, giorno, verso * q);
            } else if (kind == u"O") {
                aggiungi(riga, c.tipoCamera, u"Libere"_s, giorno, -verso * q);
                aggiungi(riga, c.tipoCamera, u"Opzionate"_s, giorno, verso * q);
            } else if (kind == u"R") {
                // A day without its allotment row holds nothing.
                if (riserva && riserva->FindFirst(u"NumeroHotel = ? and NumeroPrenotazione = ? and DataAllotments = ? "
                                                  "and TipoCamere = ?"_s,
                                                  {hotel, numero, ymd, c.tipoCamera})) {
                    aggiungi(riga, c.tipoCamera, u"Libere"_s, giorno,
                             -verso * (*riserva)[u"TotaleCamere"_s].toLongLong());
                    const long long nonUtilizzate = (*riserva)[u"CamereNonUtilizzate"_s].toLongLong();
                    if (nonUtilizzate > 0)
                        aggiungi(riga, c.tipoCamera, u"Allotment"_s, giorno, verso * nonUtilizzate);
                }
            } else if (kind == u"D") {
                const bool tenuta = riserva &&
                                    riserva->FindFirst(u"NumeroHotel = ? and NumeroPrenotazione = ? and "
                                                       "DataAllotments = ?"_s,
                                                       {hotel, c.codiceAllotment, ymd}) &&
                                    (*riserva)[u"Scaduto"_s].toString() != u"S";
                aggiungi(riga, c.tipoCamera, u"Confermate"_s, giorno, verso * q);
                if (!tenuta)
                    aggiungi(riga, c.tipoCamera, u"Libere"_s, giorno, -verso * q);
                else if (quantitaAllotment)
                    aggiungi(rigaTipo(giorno, tipoAllotment, *quantitaAllotment), tipoAllotment, u"Allotment"_s, giorno,
                             -verso * q);
            } else {
                aggiungi(riga, c.tipoCamera, u"Libere"_s, giorno, -verso * q);
            }
        }
    }

    if (fuoriScala)
        return fuoriScala;
    monitor.salva();
    tipi.salva();
    return std::nullopt;
}

bool CalcolaDisponibilita::esegui(const QString& operazione, qint32 numeroPrenotazione, qint16 segno)
{
    std::optional<QString> errore;
    {
        Database db(m_ctx.workDir(), u"Disponibilita.mdb"_s);
        for (const QString& file : fileNecessari())
            if (file != kAllotments || esiste(m_ctx.workDir(), file))
                db.attach(file);
        Database::Transaction lavoro(db);
        errore = conta(db, operazione, numeroPrenotazione, segno);
        if (!errore)
            lavoro.commit();
    }
    // Shown once the unit of work has ended: no lock is held while the message waits.
    if (errore) {
        m_ctx.op().inform(u"Errore"_s, *errore, OperatorPort::Icon::Critical);
        return false;
    }
    return true;
}
