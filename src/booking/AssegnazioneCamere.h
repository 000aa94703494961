#pragma once

#include "booking/CamereRichieste.h"

#include <QString>
#include <QStringList>
#include <optional>

class AppContext;
class Database;
class FileAperti;

// The small services a web reservation needs on its way into QV: the next booking number, the free
// rooms of a web room type, and the QV arrangement and charge item of a rate plan.
class AssegnazioneCamere
{
public:
    explicit AssegnazioneCamere(AppContext& ctx) : m_ctx(ctx) {}

    // A booking number drawn from the Contatori row.
    struct NumeroNuovo
    {
        std::optional<qint32> numero; // nullopt: no number could be drawn, problema says why
        QString problema;
        // Numbers the counter gave that QV already uses: passed over, the counter ends past them.
        qint32 saltati = 0;
        qint32 primoSaltato = 0;
    };

    // The next booking number from the Contatori row of the hotel, drawn inside the caller's unit
    // of work (Contatori and the booking files reachable from db, a transaction open): a rollback
    // gives the number back. A number some booking file already holds is never handed out again,
    // and a number is never invented: no counter row, a counter that is not a number or one that
    // cannot grow gives no number.
    static NumeroNuovo NuovoNumeroPrenotazione(Database& db, qint16 numeroHotel);
    // Why no booking number can be drawn from the counter as it is now (no row, not a number, at its
    // largest); empty when one can. The numbers QV already uses are not looked at.
    static QString problemaContatore(Database& db, qint16 numeroHotel);
    // The same in a unit of work of its own on Contatori.mdb and the booking files.
    NumeroNuovo NuovoNumeroPrenotazione();
    // The booking files whose rows carry a booking number.
    static QStringList fileNumerati();

    // The free rooms of a web room type for a stay (dd/mm/yyyy): the rooms of the QV type mapped at
    // level 1, then level 2, and so on, each asked of the conflict check, leaving out the rooms
    // already chosen for any line of camere. The result has one line per room ("101 DOP n. letti 2
    // BALCONE"), after a leading CR LF; ",," when none is free. Sets ElencoCamereLibere.
    QString CercaCamereLibere(const QString& tipoWeb, const QString& dal, const QString& al,
                              const CamereRichieste& camere);
    // The same through files already open for a run of reservations.
    // escluso: a booking being modified, whose own rooms are free for it.
    QString CercaCamereLibere(FileAperti& file, const QString& tipoWeb, const QString& dal, const QString& al,
                              const CamereRichieste& camere, qint32 escluso = 0);
    // The QV room types a web room type is mapped to, level 1 first; empty when it has none.
    static QStringList tipiQv(FileAperti& file, const QString& tipoWeb);
    static QString tipoQv(FileAperti& file, const QString& tipoWeb) { return tipiQv(file, tipoWeb).value(0); }
    // ",101,102,": the rooms the last search found, in the order found.
    const QString& ElencoCamereLibere() const { return m_elencoCamereLibere; }
    // The first room of the list; empty when it is empty.
    QString primaCameraLibera() const;
    // Whether room is on the list.
    bool inElenco(const QString& camera) const;

    // The QV arrangement of a web rate plan; the setting CodArr when the plan is unknown or not mapped.
    QString CercaTrattamento(Database& interfaccia, const QString& idTariffa) const;
    QString CercaTrattamento(const QString& idTariffa) const;
    // The charge item of a QV arrangement; the setting CodAdd when no mapped rate plan gives one.
    qint16 CercaVoceAddebito(Database& interfaccia, const QString& codice) const;
    qint16 CercaVoceAddebito(const QString& codice) const;

    static constexpr const char16_t* FileInterfaccia = u"SimpleBooking.mdb";
    static constexpr const char16_t* FileContatori = u"Contatori.mdb";

private:
    AppContext& m_ctx;
    QString m_elencoCamereLibere = QStringLiteral(",");
};
