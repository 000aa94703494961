#pragma once

#include "booking/CamereRichieste.h"
#include "booking/FileAperti.h"
#include "booking/MotiviAttesa.h"
#include "import/VersionePrenotazione.h"

#include <QString>
#include <QStringList>
#include <optional>

class AppContext;
class AssegnazioneCamere;
class Recordset;

// The review of the downloaded web reservations not yet handled: each new one is shown to the
// operator, who picks a room per room line (mode "1", Semi automatica), or takes the first free
// rooms unattended (mode "2", Automatica), and is then written into QV; each cancelled one is
// offered for cancellation of its QV booking.
//
// A reservation left waiting (a question or input box without an answer, rooms lacking, a
// registration that could not be made, a store error on its row) is passed by for the rest of the
// review and offered again by the next one; why it waits is told once (see MotiviAttesa). The review
// reports how far it has come, and a stop request ends it between two reservations.
class RevisionePrenotazioni
{
public:
    explicit RevisionePrenotazioni(AppContext& ctx) : m_ctx(ctx), m_file(ctx) {}

    void EsaminaPrenotazioniWeb();

    static constexpr const char16_t* TitoloScelta = u"Prenotazioni on-line";
    static constexpr const char16_t* TitoloStampa = u"Stampa prenotazioni";
    static constexpr const char16_t* Titolo = u"Simple Booking";

private:
    struct Prenotazione; // the values of one Reservations row the review uses

    // A waiting modification of a reservation QV holds.
    struct Modifica
    {
        VersioneApplicata applicata; // what QV's booking holds
        qint32 numero = 0;           // the QV booking (-1: more than one names it)
        QString modifiche;           // what changed, in words
        QString intestazione;        // how it is shown to the operator
        QStringList camere;          // the booking's rooms, kept where they are free on the new nights
    };

    // True when the reservation was handled (it no longer waits). giro: how many times it was read
    // again because it changed while it was being reviewed.
    bool esamina(const Prenotazione& p, int giro);
    bool riesamina(const Prenotazione& p, int giro);
    // What makes the stay one no guest books (no night, ending before it starts, over a year, more
    // than two years ahead, no dates): empty when it is a plain stay.
    QString soggiornoStrano(const Prenotazione& p) const;
    // What a modification changes and whether it can be applied by the bridge: false when it waits,
    // or when the operator said it was made in QV by hand (it is then handled).
    bool preparaModifica(const Prenotazione& p, Modifica& m, bool automatica);
    // A reservation whose first line has no room: it leaves the review only when a person says so.
    bool senzaCamere(const Prenotazione& p, bool automatica);
    // Why no room of a line's web type is free: the QV type and the first night without one.
    QString mancanza(const Prenotazione& p, const QString& tipoWeb, const CamereRichieste& camere, qint32 proprio);
    // The room table of a reservation, one line per room of each room stay, and the summary's counts
    // per description. False when the reservation waits (the operator was told why).
    bool righe(const Prenotazione& p, CamereRichieste& camere, QStringList& descrizioni, QList<int>& conteggi,
               QString& prezziPerCamera, bool automatica);
    bool esaminaCancellata(const Prenotazione& p);
    // Rinviata: the operator said later (the reason was told); Esclusa: "-" on the first line, confirmed.
    enum class Assegnazione { Completa, Mancano, SenzaRisposta, Rinviata, Esclusa };
    // Gives each line a room (only line solo, when it is not 0): the operator's answers, or the
    // first free rooms.
    // A modification keeps the booking's rooms where it can, and never writes a line without one.
    Assegnazione assegna(const Prenotazione& p, CamereRichieste& camere, QString& riepilogo, bool automatica,
                         int solo = 0, Modifica* modifica = nullptr);
    // The operator's room for a line: nullopt when the input box went unanswered. Every answer is
    // checked (the room exists, is of a type mapped to the line's, is not chosen twice and is free);
    // "-" on the first line asks first. proposta: the input box's default answer.
    std::optional<QString> chiediCamera(const Prenotazione& p, const RigaCamera& riga, bool prima,
                                        const CamereRichieste& camere, const QString& prompt, Recordset& numeri,
                                        const QString& proposta, qint32 proprio);
    void stampa(const QString& nPren);
    void avvisa(const QString& testo);
    // Tells why the reservation waits, unless that reason was told already (see MotiviAttesa).
    void attesa(const Prenotazione& p, const QString& testo, bool errore = false);

    AppContext& m_ctx;
    FileAperti m_file; // opened once for the whole review
    std::optional<MotiviAttesa> m_motivi;
    QString m_avvisoTipo; // what TipoPrenoLista.txt holds, when the bookings cannot take it: told once
    QString m_mancanza;   // why a line found no room: "nessuna camera DOP libera il 26/12/2026"
};
