#pragma once

#include "service/GiudizioRisposta.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class AppContext;

// Posts request texts to the service. One curl handle per exchange, reused across its posts; a
// chain of posts to one address (the confirmations) can go over several kept connections at once.
// It never throws: every failure comes back as an answer text that begins "Error: ".
class Transport
{
public:
    explicit Transport(AppContext& ctx);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // What one post came to.
    struct Esito
    {
        QString risultato;       // the extracted answer, or the "Error: " text
        QString grezza;          // the raw answer body; empty when the post failed
        QByteArray bytes;        // its bytes as they were received, for the saved copies
        QByteArray tipo;         // their Content-Type header
        long stato = 0;          // the HTTP status; 0 when there was none
        bool riuscita = false;   // the server answered at all
        bool interrotta = false; // ended, or never begun, because the program was asked to stop
        bool tentata = false;    // the request was sent

        // The answer as the judge takes it.
        RispostaServizio risposta() const;
    };

    // POSTs "xml=" + the request (form-encoded) with the three headers of the service, puts the
    // raw answer into the lower text box and returns the text between the first "Result>" and the
    // first "</" (or the whole answer when there is no such text).
    QString ChiamaServizio(const QString& address, const QString& soapAction, const QString& request);

    // Posts each request to one address, up to connessioni at once over kept connections (1: one
    // after the other). The results come in the order of the requests. Each request is sent at most
    // once; after a post that got no answer, or once the program is asked to stop, the requests not
    // begun yet are not sent (tentata false). The lower text box is left to the caller.
    std::vector<Esito> ChiamaServizioInParallelo(const QString& address, const QStringList& requests, int connessioni);

    // The last post of ChiamaServizio.
    const Esito& ultimo() const { return m_ultimo; }
    // The raw answer body of the last post; empty when the post failed.
    const QString& rispostaGrezza() const { return m_ultimo.grezza; }
    // Its bytes as they were received, for the saved copies.
    const QByteArray& rispostaBytes() const { return m_ultimo.bytes; }
    // The HTTP status of the last answer; 0 when there was none.
    long statoHttp() const { return m_ultimo.stato; }
    // Whether the last post got an answer from the server at all.
    bool ultimaRiuscita() const { return m_ultimo.riuscita; }

    // The text between the first "Result>" and the first "</", as the service's answers are read.
    static QString estraiRisposta(const QString& answer);
    // An answer's bytes as text, decoded as the answer declares itself: byte-order mark, then the
    // charset of the Content-Type header, then the encoding of the XML declaration; UTF-8 when none.
    static QString decodificaRisposta(const QByteArray& bytes, const QByteArray& contentType);
    // The bytes with their text changed by cambia, written back in the character set they are read in;
    // the same bytes when cambia changes nothing.
    static QByteArray cambiaTesto(const QByteArray& bytes, const QByteArray& contentType,
                                  const std::function<QString(const QString&)>& cambia);

private:
    struct Invio;
    // Sets a handle up for one post; the handle's options point into invio, which must outlive it.
    void prepara(void* curl, Invio& invio) const;
    // What the finished post of a handle came to.
    Esito concludi(void* curl, int rc, Invio& invio) const;

    AppContext& m_ctx;
    void* m_curl = nullptr;
    void* m_multi = nullptr;        // the parallel posts' handle, which keeps their connections
    std::vector<void*> m_paralleli; // its easy handles, reused
    Esito m_ultimo;
};
