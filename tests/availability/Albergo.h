#pragma once

// A small hotel in a working directory: room types with their quantities, colours (defaults, a
// starred key, a company), and helpers that write bookings the way QV keeps them and read back the
// rack and the counters.

#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "support/WorkDir.h"

#include <QHash>
#include <QVariantMap>

namespace AlbergoSupport {

using namespace Qt::StringLiterals;

struct Stanza
{
    QString tipoCamera;
    QString numeroCamera;
    QString arrivo; // yyyymmdd
    QString partenza;
    QString tipoPrenotazione = u"C"_s;
    int quantita = 1;
    double persone = 2;
    qint32 codiceAllotment = 0;
};

class Albergo
{
public:
    explicit Albergo(WorkDir& w) : m_w(w)
    {
        w.bootstrap();
        for (const auto& [sigla, quantita] : {std::pair{u"DBL"_s, 10}, {u"SGL"_s, 4}, {u"SUI"_s, 1}})
            riga(u"TipiCamere.mdb"_s, u"TipiCamere"_s, {u"Sigla"_s, u"Descrizione"_s, u"Tipologia"_s, u"Quantita"_s},
                 {sigla, sigla, u"C"_s, quantita});
        colore(u"CONFE"_s, u" "_s, 0, 0, 128, 0);
        colore(u"CONFE"_s, u"WEB"_s, 6, 10, 20, 30);
        colore(u"CONFE"_s, u"D"_s, 42, 200, 100, 50);
        colore(u"ATCAP"_s, u" "_s, 0, 1, 2, 3);
        colore(u"ALLOT"_s, u" "_s, 0, 7, 8, 9);
        // No OPZIO row at all: options are white.
    }

    // The fields named, with the values in the same order, over altri.
    static QVariantMap campi(const QStringList& nomi, const QVariantList& valori, QVariantMap altri = {})
    {
        for (qsizetype i = 0; i < nomi.size(); ++i)
            altri.insert(nomi.at(i), valori.at(i));
        return altri;
    }
    // One row of hotel 1.
    void riga(const QString& database, const QString& tabella, const QStringList& nomi, const QVariantList& valori,
              QVariantMap altri = {})
    {
        altri.insert(u"NumeroHotel"_s, 1);
        m_w.insert(database, tabella, campi(nomi, valori, altri));
    }

    void colore(const QString& tipo, const QString& utente, int codice, int r, int g, int b)
    {
        m_w.insert(u"Colori.mdb"_s, u"Colori"_s,
                   campi({u"Tipo"_s, u"Utente"_s, u"Codice"_s, u"Rosso"_s, u"Verde"_s, u"Blu"_s},
                         {tipo, utente, codice, r, g, b}));
    }

    // The booking sheet; more fields (CodiceDitta, DataScadenza, ...) through altri.
    void scheda(qint32 numero, const QString& tipo, const QString& nome, const QString& commento = u"*WEB* "_s,
                const QVariantMap& altri = {})
    {
        QVariantMap campi{{u"CodiceDitta"_s, 0}, {u"DataScadenza"_s, u" "_s}};
        campi.insert(altri);
        riga(u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s,
             {u"NumeroPrenotazione"_s, u"TipoPrenotazione"_s, u"NomeCliente"_s, u"Commento"_s},
             {numero, tipo, nome, commento}, campi);
    }

    void camera(qint32 numero, const Stanza& s)
    {
        riga(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
             {u"NumeroPrenotazione"_s, u"TipoPrenotazione"_s, u"DataArrivo"_s, u"DataPartenza"_s, u"TipoCamera"_s,
              u"NumeroCamera"_s, u"QuantitàCamere"_s, u"NumeroPersone"_s, u"CodiceAllotment"_s},
             {numero, s.tipoPrenotazione, s.arrivo, s.partenza, s.tipoCamera,
              s.numeroCamera.isEmpty() ? u" "_s : s.numeroCamera, s.quantita, s.persone, s.codiceAllotment});
    }

    void ospiteLista(qint32 numero, const QString& camera, const QString& nome)
    {
        riga(u"ListaClienti_Prenotazione.mdb"_s, u"ListaClienti_Prenotazione"_s,
             {u"NumeroPrenotazione"_s, u"NumeroCamera"_s, u"NomeCliente"_s}, {numero, camera, nome});
    }

    void riserva(qint32 allotment, qint32 ditta, const QString& tipo, const QString& camera, const QString& giorno,
                 int totale, const QString& scaduto = u" "_s)
    {
        riga(u"Allotments.mdb"_s, u"Riserva"_s,
             {u"NumeroPrenotazione"_s, u"TipoDitta"_s, u"CodiceDitta"_s, u"TipoCamere"_s, u"NumeroCamera"_s,
              u"DataAllotments"_s, u"TotaleCamere"_s, u"CamereUtilizzate"_s, u"CamereNonUtilizzate"_s, u"Scaduto"_s},
             {allotment, u"D"_s, ditta, tipo, camera, giorno, totale, 0, totale, scaduto});
    }

    void rifAllot(qint32 numero, const QString& camera, const QString& tipoAll, qint32 ditta, const QString& arrivo,
                  const QString& partenza, int quantita = 1)
    {
        riga(u"RifAllot_Prenotazione.mdb"_s, u"RifAllot_Prenotazione"_s,
             {u"NumeroPrenotazione"_s, u"NumeroCamera"_s, u"TipoCameraAll"_s, u"CodiceAgenzia"_s, u"CodiceDitta"_s,
              u"DataArrivo"_s, u"DataPartenza"_s, u"QuantitàCamere"_s},
             {numero, camera, tipoAll, 0, ditta, arrivo, partenza, quantita});
    }

    // Every row of a table, field -> value.
    QList<QVariantMap> righe(const QString& database, const QString& tabella) const
    {
        QList<QVariantMap> out;
        Database db(m_w.dir(), database);
        const auto campi = db.fields(tabella);
        Recordset rs = db.OpenRecordset(tabella);
        for (bool f = rs.FindFirst({}); f; f = rs.FindNext({})) {
            QVariantMap riga;
            for (const FieldInfo& c : campi)
                riga.insert(c.name, rs[c.name]);
            out.append(riga);
        }
        return out;
    }

    // The counter rows, AMT -> field -> text.
    QHash<QString, QVariantMap> contatori() const
    {
        QHash<QString, QVariantMap> out;
        for (const QVariantMap& r : righe(u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s))
            out.insert(r.value(u"AMT"_s).toString(), r);
        return out;
    }
    QHash<QString, QVariantMap> rack() const
    {
        QHash<QString, QVariantMap> out;
        for (const QVariantMap& r : righe(u"Disponibilita.mdb"_s, u"Monitor"_s))
            out.insert(r.value(u"AMC"_s).toString(), r);
        return out;
    }

    // A counter slot of a month row, as readers take it.
    long long slot(const QString& amt, const QString& campo, int giorno) const
    {
        return DaySlots::leadingNumber(DaySlots::slot(contatori().value(amt).value(campo).toString(), giorno, 5));
    }

private:
    WorkDir& m_w;
};

} // namespace AlbergoSupport
