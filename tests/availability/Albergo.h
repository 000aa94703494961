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
            w.insert(u"TipiCamere.mdb"_s, u"TipiCamere"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"Sigla"_s, sigla},
                      {u"Descrizione"_s, sigla},
                      {u"Tipologia"_s, u"C"_s},
                      {u"Quantita"_s, quantita}});
        colore(u"CONFE"_s, u" "_s, 0, 0, 128, 0);
        colore(u"CONFE"_s, u"WEB"_s, 6, 10, 20, 30);
        colore(u"CONFE"_s, u"D"_s, 42, 200, 100, 50);
        colore(u"ATCAP"_s, u" "_s, 0, 1, 2, 3);
        colore(u"ALLOT"_s, u" "_s, 0, 7, 8, 9);
        // No OPZIO row at all: options are white.
    }

    void colore(const QString& tipo, const QString& utente, int codice, int r, int g, int b)
    {
        m_w.insert(u"Colori.mdb"_s, u"Colori"_s,
                   {{u"Tipo"_s, tipo},
                    {u"Utente"_s, utente},
                    {u"Codice"_s, codice},
                    {u"Rosso"_s, r},
                    {u"Verde"_s, g},
                    {u"Blu"_s, b}});
    }

    // The booking sheet; more fields (CodiceDitta, DataScadenza, ...) through altri.
    void scheda(qint32 numero, const QString& tipo, const QString& nome, const QString& commento = u"*WEB* "_s,
                const QVariantMap& altri = {})
    {
        QVariantMap campi{{u"NumeroHotel"_s, 1},      {u"NumeroPrenotazione"_s, numero}, {u"TipoPrenotazione"_s, tipo},
                          {u"NomeCliente"_s, nome},   {u"Commento"_s, commento},         {u"CodiceDitta"_s, 0},
                          {u"DataScadenza"_s, u" "_s}};
        for (auto it = altri.cbegin(); it != altri.cend(); ++it)
            campi.insert(it.key(), it.value());
        m_w.insert(u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s, campi);
    }

    void camera(qint32 numero, const Stanza& s)
    {
        m_w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                   {{u"NumeroHotel"_s, 1},
                    {u"NumeroPrenotazione"_s, numero},
                    {u"TipoPrenotazione"_s, s.tipoPrenotazione},
                    {u"DataArrivo"_s, s.arrivo},
                    {u"DataPartenza"_s, s.partenza},
                    {u"TipoCamera"_s, s.tipoCamera},
                    {u"NumeroCamera"_s, s.numeroCamera.isEmpty() ? u" "_s : s.numeroCamera},
                    {u"QuantitàCamere"_s, s.quantita},
                    {u"NumeroPersone"_s, s.persone},
                    {u"CodiceAllotment"_s, s.codiceAllotment}});
    }

    void ospiteLista(qint32 numero, const QString& camera, const QString& nome)
    {
        m_w.insert(u"ListaClienti_Prenotazione.mdb"_s, u"ListaClienti_Prenotazione"_s,
                   {{u"NumeroHotel"_s, 1},
                    {u"NumeroPrenotazione"_s, numero},
                    {u"NumeroCamera"_s, camera},
                    {u"NomeCliente"_s, nome}});
    }

    void riserva(qint32 allotment, qint32 ditta, const QString& tipo, const QString& camera, const QString& giorno,
                 int totale, const QString& scaduto = u" "_s)
    {
        m_w.insert(u"Allotments.mdb"_s, u"Riserva"_s,
                   {{u"NumeroHotel"_s, 1},
                    {u"NumeroPrenotazione"_s, allotment},
                    {u"TipoDitta"_s, u"D"_s},
                    {u"CodiceDitta"_s, ditta},
                    {u"TipoCamere"_s, tipo},
                    {u"NumeroCamera"_s, camera},
                    {u"DataAllotments"_s, giorno},
                    {u"TotaleCamere"_s, totale},
                    {u"CamereUtilizzate"_s, 0},
                    {u"CamereNonUtilizzate"_s, totale},
                    {u"Scaduto"_s, scaduto}});
    }

    void rifAllot(qint32 numero, const QString& camera, const QString& tipoAll, qint32 ditta, const QString& arrivo,
                  const QString& partenza, int quantita = 1)
    {
        m_w.insert(u"RifAllot_Prenotazione.mdb"_s, u"RifAllot_Prenotazione"_s,
                   {{u"NumeroHotel"_s, 1},
                    {u"NumeroPrenotazione"_s, numero},
                    {u"NumeroCamera"_s, camera},
                    {u"TipoCameraAll"_s, tipoAll},
                    {u"CodiceAgenzia"_s, 0},
                    {u"CodiceDitta"_s, ditta},
                    {u"DataArrivo"_s, arrivo},
                    {u"DataPartenza"_s, partenza},
                    {u"QuantitàCamere"_s, quantita}});
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
