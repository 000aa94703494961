#pragma once

#include <QString>

// What the service's answer to one exchange came to.
enum class EsitoRisposta {
    Accettata,       // the service took the request
    Rifiutata,       // an HTTP error status, or an Error/Errors element in the answer
    NonRiconosciuta, // no answer, or one that says neither yes nor no
    Interrotta,      // the program was asked to stop while it waited: no failure of the service
};

// The exchanges, each judged by what its accepted answer holds: a success element (confirmation,
// availability), the reservation list (the download, which carries no success element), or the
// catalogue list (room types, rate plans).
enum class GenereRisposta { Conferma, Disponibilita, Prenotazioni, Camere, Tariffe };

// One answer as the transport left it.
struct RispostaServizio
{
    QString testo;           // the body as text; the transport's "Error: " text when there was none
    long stato = 200;        // the HTTP status; 0 without an answer
    bool ricevuta = true;    // the service answered at all
    bool interrotta = false; // the exchange was ended by a stop request

    // A text as the transport hands it on, with no more known: one beginning "Error: " is a failed
    // exchange, any other an answer with HTTP status 200.
    static RispostaServizio daTesto(const QString& testo);
};

struct Giudizio
{
    EsitoRisposta esito = EsitoRisposta::NonRiconosciuta;
    QString motivo; // why it is not accepted, in words for the operator (answer excerpts masked)

    bool accettata() const { return esito == EsitoRisposta::Accettata; }
};

// The one judge of every answer of the service. Element names count with or without a namespace
// prefix and in any case, wherever the blanks and line breaks fall; markup inside comments and CDATA
// sections is no markup.
Giudizio giudicaRisposta(GenereRisposta genere, const RispostaServizio& risposta);
