#pragma once

#include <QString>

class AppContext;

// Posts request texts to the service. One curl handle per exchange, reused across its posts.
// It never throws: every failure comes back as an answer text that begins "Error: ".
class Transport
{
public:
    explicit Transport(AppContext& ctx);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // POSTs "xml=" + the request (form-encoded) with the three headers of the service, puts the
    // raw answer into the lower text box and returns the text between the first "Result>" and the
    // first "</" (or the whole answer when there is no such text).
    QString ChiamaServizio(const QString& address, const QString& soapAction, const QString& request);

    // The raw answer body of the last post; empty when the post failed.
    const QString& rispostaGrezza() const { return m_raw; }
    // Its bytes as they were received, for the saved copies.
    const QByteArray& rispostaBytes() const { return m_bytes; }
    // The HTTP status of the last answer; 0 when there was none.
    long statoHttp() const { return m_status; }
    // Whether the last post got an answer from the server at all.
    bool ultimaRiuscita() const { return m_ok; }

    // The text between the first "Result>" and the first "</", as the service's answers are read.
    static QString estraiRisposta(const QString& answer);
    // An answer's bytes as text, decoded as the answer declares itself: byte-order mark, then the
    // charset of the Content-Type header, then the encoding of the XML declaration; UTF-8 when none.
    static QString decodificaRisposta(const QByteArray& bytes, const QByteArray& contentType);

private:
    AppContext& m_ctx;
    void* m_curl = nullptr;
    QString m_raw;
    QByteArray m_bytes;
    long m_status = 0;
    bool m_ok = false;
};
