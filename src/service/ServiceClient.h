#pragma once

#include "service/GiudizioRisposta.h"
#include "service/Transport.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AppContext;

// The exchanges with the SimpleBooking service: catalogue downloads, the reservation download
// and its confirmations, the availability notification. Requests and answers are saved as
// files; a file that cannot be written ends the exchange with a message, never the program.
class ServiceClient
{
public:
    explicit ServiceClient(AppContext& ctx);

    static constexpr const char16_t* RateListPath = u"/xmlservice.asmx/RateListRQ";
    static constexpr const char16_t* RoomListPath = u"/xmlservice.asmx/RoomListRQ";
    static constexpr const char16_t* ConfirmPath = u"/xmlservice.asmx/ResRS";
    static constexpr const char16_t* AvailabilityPath = u"/xmlservice.asmx/AvailabilityRQ";
    static constexpr const char16_t* Titolo = u"Simple Booking";

    // "getRooms" and "getRates": for every hotel of the HotelId table, adds the service's room
    // types (rate plans) that Rooms (Rates) does not hold yet. Existing rows are never changed.
    void ScaricaRoomList();
    void ScaricaRatePlan();

    // Both reservation downloads ("new", then "canc"), their requests and answers saved. The
    // answers go on to whatever follows the download, each with what the judge made of it; nullopt
    // when a file could not be written (the operator has been told) and nothing should follow.
    struct Risposte
    {
        QString nuove;
        QString cancellazioni;
        Giudizio giudizioNuove;
        Giudizio giudizioCancellazioni;
    };
    std::optional<Risposte> ScaricaPrenotazioni();

    // Confirms one reservation. True when the service accepted it (an HTTP success with its
    // Success element). A refused or failed confirmation is a notice (lower text box and log, no
    // box): the stored reservation comes again with the next download and is handled as a repeat.
    // After a transport failure the later confirmations of this client are not attempted.
    bool ConfermaPrenotazione(const QString& resId);
    // Confirms the reservations, one confirmation each, over up to AppContext::confermeInParallelo
    // kept connections at once. Their answers are judged, saved and told in the order given, each
    // after prima(its index) has been called. Returns how many were left unconfirmed by a stop
    // request (those the service comes back with, and the bridge recognises as stored).
    int ConfermaPrenotazioni(const QStringList& resIds, const std::function<void(qsizetype)>& prima = {});
    // What this client's confirmations came to, for the status report.
    struct EsitoConferme
    {
        int riuscite = 0;
        int fallite = 0;
        int interrotte = 0; // by a stop request: no failure of the service
        QString errore;     // of the last failure
    };
    const EsitoConferme& conferme() const { return m_conferme; }

    // One day's rooms to offer for one service room type.
    struct Avviso
    {
        QString roomsId;
        QDate giorno;
        qint64 valore = 0;
    };
    // One availability notification, one message per day in the order given. True when the service
    // accepted it; otherwise what went wrong is in errore (when given). A day outside the years
    // 2000-2099 is refused before anything is sent.
    bool InviaDisponibilita(const QString& codiceHotel, const QList<Avviso>& avvisi, QString* errore = nullptr);
    // What the judge made of the last answer of this client's exchanges.
    const Giudizio& ultimoGiudizio() const { return m_giudizio; }
    // The years whose days the service can be told about.
    static constexpr int PrimoAnno = 2000;
    static constexpr int UltimoAnno = 2099;

    Transport& transport() { return m_transport; }

    // Adds to Rooms (Rates) the room types (rate plans) of one hotel's catalogue answer that the
    // table does not hold yet.
    enum class Catalogo { Rooms, Rates };
    void aggiornaCatalogo(Catalogo which, const QString& hotel, const QString& answer);

private:
    void scaricaCatalogo(Catalogo which);
    // Judges the last answer of the transport, and keeps the verdict.
    const Giudizio& giudica(GenereRisposta genere, const Transport::Esito& esito);
    // Tells and counts what one confirmation came to (nullptr: not attempted, the service being
    // unreachable); true when it was accepted.
    bool esitoConferma(const QString& resId, const Transport::Esito* esito);
    // Counts a confirmation that did not reach the service; false.
    bool confermaFallita(const QString& errore);
    // Writes a text file of the exchange; on failure tells the operator and returns false.
    bool salva(const QString& name, const QString& text);
    // Saves bytes as SimpleBooking\prefix + stamp + ".xml", never over an earlier file. The path,
    // or empty with the reason in errore.
    QString salvaScambio(const QString& prefix, const QByteArray& bytes, QString* errore);
    // What a saved answer holds: the bytes received, or the error text when there were none.
    static QByteArray copiaRisposta(const Transport::Esito& esito);
    // A download answer that must be saved before it is used: on failure the operator is told.
    bool salvaRisposta(const QString& prefix);
    // A copy the exchange goes on without: a failure is told once per command.
    void salvaCopia(const QString& prefix, const QByteArray& bytes);
    // Whether a hotel code may be sent; when not, the operator is told.
    bool codiceValido(const QString& codice);
    // Puts a request into the upper text box, as the operator may see it.
    void mostraRichiesta(const QString& request) const;
    QString url(const char16_t* path) const;

    AppContext& m_ctx;
    Transport m_transport;
    QString m_servizioAssente; // the failure that ended this client's confirmations
    bool m_copiaSegnalata = false;
    EsitoConferme m_conferme;
    Giudizio m_giudizio;
    QHash<QString, int> m_numeri; // per prefix and stamp: the next number of a saved exchange's name
};
