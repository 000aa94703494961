#include "service/Transport.h"

#include "context/AppContext.h"
#include "service/MascheraDati.h"

#include "store/TextFile.h"

#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <curl/curl.h>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The answer as it arrives, up to its limit: beyond it the transfer stops, so a service that streams
// garbage cannot fill the front desk's memory.
struct Ricezione
{
    QByteArray bytes;
    qsizetype limite = 0;
    bool troppoGrande = false;
};

size_t collect(char* data, size_t size, size_t count, void* target)
{
    auto* r = static_cast<Ricezione*>(target);
    const qsizetype n = qsizetype(size * count);
    if (r->bytes.size() + n > r->limite) {
        r->troppoGrande = true;
        return 0; // curl ends the transfer with a write error
    }
    r->bytes.append(data, n);
    return size * count;
}

// The value of a charset=... or encoding="..." declaration in text, lower case; empty when none.
QByteArray dichiarato(const QByteArray& text, const QByteArray& key)
{
    const QByteArray lower = text.toLower();
    const qsizetype at = lower.indexOf(key);
    if (at < 0)
        return {};
    qsizetype i = at + key.size();
    while (i < lower.size() && (lower.at(i) == ' ' || lower.at(i) == '=' || lower.at(i) == '"' || lower.at(i) == '\''))
        ++i;
    qsizetype e = i;
    while (e < lower.size() && (std::isalnum(static_cast<unsigned char>(lower.at(e))) || lower.at(e) == '-' ||
                                lower.at(e) == '_' || lower.at(e) == '.' || lower.at(e) == ':'))
        ++e;
    return lower.mid(i, e - i);
}

// The character set an answer's bytes are read in, so that a text read from them can be written back
// in it.
struct Codifica
{
    enum class Tipo { Utf8, Cp1252, Altra };
    Tipo tipo = Tipo::Utf8;
    QStringConverter::Encoding altra = QStringConverter::Utf8;
    bool bom = false; // the bytes begin with a byte-order mark
};

// A named character set; nullopt when the name is none this program knows.
std::optional<Codifica> codificaNominata(const QByteArray& charset)
{
    // What servers call Latin-1 is, in practice, the Windows code page that extends it.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso_8859-1" || charset == "l1" ||
        charset == "windows-1252" || charset == "cp1252" || charset == "us-ascii" || charset == "ascii")
        return Codifica{Codifica::Tipo::Cp1252};
    const auto encoding = QStringConverter::encodingForName(charset.constData());
    if (!encoding)
        return std::nullopt;
    return Codifica{Codifica::Tipo::Altra, *encoding};
}

// As the answer declares itself: byte-order mark, then the Content-Type header, then the XML
// declaration; else UTF-8.
Codifica codificaDi(const QByteArray& bytes, const QByteArray& contentType)
{
    if (const auto bom = QStringConverter::encodingForData(bytes); bom && *bom != QStringConverter::Utf8)
        return {Codifica::Tipo::Altra, *bom, true};
    const auto utf8 = [](const QByteArray& charset) {
        return charset.isEmpty() || charset == "utf-8" || charset == "utf8";
    };
    QByteArray charset = dichiarato(contentType, "charset");
    if (utf8(charset)) {
        // A header that says UTF-8 (many servers say it of everything) yields to the document's own
        // declaration when the bytes are no UTF-8.
        QByteArray declaration = bytes.left(200);
        if (declaration.startsWith("\xEF\xBB\xBF"))
            declaration.remove(0, 3);
        const qsizetype close = declaration.indexOf("?>");
        if (declaration.startsWith("<?xml") && close > 0) {
            const QByteArray declared = dichiarato(declaration.left(close), "encoding");
            if (charset.isEmpty() || !QByteArrayView(bytes).isValidUtf8())
                charset = declared;
        }
    }
    if (!utf8(charset)) {
        if (auto c = codificaNominata(charset))
            return *c;
    }
    return {Codifica::Tipo::Utf8, QStringConverter::Utf8, bytes.startsWith("\xEF\xBB\xBF")};
}

QString decodifica(const Codifica& c, const QByteArray& bytes)
{
    switch (c.tipo) {
    case Codifica::Tipo::Cp1252:
        return TextFile::fromCp1252(bytes);
    case Codifica::Tipo::Altra: {
        QStringDecoder decoder(c.altra);
        return decoder.decode(bytes);
    }
    case Codifica::Tipo::Utf8:
        break;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QByteArray codifica(const Codifica& c, const QString& testo)
{
    switch (c.tipo) {
    case Codifica::Tipo::Cp1252:
        return TextFile::toCp1252(testo);
    case Codifica::Tipo::Altra: {
        QStringEncoder encoder(c.altra, c.bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return encoder.encode(testo);
    }
    case Codifica::Tipo::Utf8:
        break;
    }
    return (c.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + testo.toUtf8();
}

QString errorText(long number, const QString& description)
{
    return u"Error: "_s + QString::number(number) + u" - "_s + description;
}

QString descrizione(CURLcode rc)
{
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return u"Impossibile trovare il server"_s;
    case CURLE_COULDNT_CONNECT:
        return u"Impossibile connettersi al server"_s;
    case CURLE_OPERATION_TIMEDOUT:
        return u"Il server non ha risposto in tempo"_s;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return u"Connessione sicura non riuscita"_s;
    case CURLE_GOT_NOTHING:
        return u"Il server ha chiuso la connessione senza rispondere"_s;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return u"Risposta del server interrotta"_s;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return u"Indirizzo del servizio non valido"_s;
    case CURLE_ABORTED_BY_CALLBACK:
        return u"Scambio interrotto: il programma si sta chiudendo"_s;
    default:
        return u"Errore di comunicazione con il servizio"_s;
    }
}

// Asked by curl while an exchange runs: a stop request (SIGTERM) ends it, instead of waiting up to
// the exchange's time-out.
int interrompi(void* avanzamento, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const Avanzamento*>(avanzamento)->arrestoRichiesto() ? 1 : 0;
}

// The form value of a text: its UTF-8 bytes percent-encoded, so "+", "&" and "%" arrive as they are.
QByteArray formValue(const QString& text)
{
    return text.toUtf8().toPercentEncoding();
}

// curl's global set-up is not thread-safe on every platform; do it once, before the first handle.
void initialiseCurl()
{
    static const bool done = [] {
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    Q_UNUSED(done);
}

} // namespace

// One post: what its handle's options point to, and what it receives.
struct Transport::Invio
{
    QByteArray url;
    QByteArray body;
    QByteArray soap;
    curl_slist* headers = nullptr;
    Ricezione answer;
    char errore[CURL_ERROR_SIZE] = {};

    Invio(const QString& address, const QString& soapAction, const QString& request, qsizetype limite)
        : url(address.toUtf8()), body("xml=" + formValue(request)),
          // An empty header must be written "Name;" or curl leaves it out; "Expect:" stops 100-continue.
          soap(soapAction.isEmpty() ? QByteArray("SOAPAction;") : "SOAPAction: " + soapAction.toUtf8())
    {
        answer.limite = limite;
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
        headers = curl_slist_append(headers, "cache-control: no-cache");
        headers = curl_slist_append(headers, soap.constData());
        headers = curl_slist_append(headers, "Expect:");
    }
    ~Invio() { curl_slist_free_all(headers); }
    Invio(const Invio&) = delete;
    Invio& operator=(const Invio&) = delete;
};

RispostaServizio Transport::Esito::risposta() const
{
    RispostaServizio r;
    r.testo = riuscita ? grezza : risultato;
    r.stato = stato;
    r.ricevuta = riuscita;
    r.interrotta = interrotta;
    return r;
}

Transport::Transport(AppContext& ctx) : m_ctx(ctx)
{
    initialiseCurl();
}

Transport::~Transport()
{
    for (void* easy : m_paralleli) {
        curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(easy));
        curl_easy_cleanup(static_cast<CURL*>(easy));
    }
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

QString Transport::estraiRisposta(const QString& answer)
{
    const qsizetype p = answer.indexOf(u"Result>"_s);
    const qsizetype q = answer.indexOf(u"</"_s);
    if (p < 0 || q < 0)
        return answer;
    const qsizetype start = p + 7;
    if (q < start)
        return errorText(5, u"Chiamata di routine o argomento non validi"_s);
    return answer.mid(start, q - start);
}

QString Transport::decodificaRisposta(const QByteArray& bytes, const QByteArray& contentType)
{
    return decodifica(codificaDi(bytes, contentType), bytes);
}

QByteArray Transport::cambiaTesto(const QByteArray& bytes, const QByteArray& contentType,
                                  const std::function<QString(const QString&)>& cambia)
{
    Codifica c = codificaDi(bytes, contentType);
    QString testo = decodifica(c, bytes);
    // Bytes that are not what they declare (a stray byte in UTF-8) would be written back as other
    // bytes: they are read byte for byte instead, as any character set that keeps ASCII allows.
    if (c.tipo != Codifica::Tipo::Altra && codifica(c, testo) != bytes) {
        c = Codifica{Codifica::Tipo::Cp1252};
        testo = decodifica(c, bytes);
    }
    const QString cambiato = cambia(testo);
    return cambiato == testo ? bytes : codifica(c, cambiato);
}

void Transport::prepara(void* handle, Invio& invio) const
{
    CURL* curl = static_cast<CURL*>(handle);
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, invio.url.constData());
    // An address typed without a scheme goes over HTTPS, never in clear.
    curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "https");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, invio.body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(invio.body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, invio.headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &invio.answer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_ctx.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, m_ctx.exchangeTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_ctx.maxRispostaBytes));
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, interrompi);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &m_ctx.avanzamento);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, invio.errore);
}

Transport::Esito Transport::concludi(void* handle, int code, Invio& invio) const
{
    CURL* curl = static_cast<CURL*>(handle);
    const CURLcode rc = static_cast<CURLcode>(code);
    Esito e;
    e.tentata = true;
    if (invio.answer.troppoGrande || rc == CURLE_FILESIZE_EXCEEDED) {
        e.risultato =
            errorText(long(CURLE_FILESIZE_EXCEEDED), u"Risposta del servizio troppo grande (oltre "_s +
                                                         QString::number(m_ctx.maxRispostaBytes / (1024 * 1024)) +
                                                         u" MiB): lo scambio è stato interrotto"_s);
        return e;
    }
    if (rc != CURLE_OK) {
        const QString detail =
            invio.errore[0] ? QString::fromUtf8(invio.errore) : QString::fromUtf8(curl_easy_strerror(rc));
        e.risultato = errorText(long(rc), descrizione(rc) + u" ("_s + detail + u')');
        e.interrotta = rc == CURLE_ABORTED_BY_CALLBACK;
        return e;
    }
    // The body is the answer whatever the HTTP status, decoded as it declares itself.
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &e.stato);
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    e.bytes = std::move(invio.answer.bytes);
    e.tipo = type ? QByteArray(type) : QByteArray();
    e.grezza = decodificaRisposta(e.bytes, e.tipo);
    e.riuscita = true;
    e.risultato = estraiRisposta(e.grezza);
    return e;
}

QString Transport::ChiamaServizio(const QString& address, const QString& soapAction, const QString& request)
{
    m_ultimo = Esito();
    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_curl) {
        m_ultimo.risultato = errorText(CURLE_FAILED_INIT, u"Impossibile inizializzare il client HTTP"_s);
        return m_ultimo.risultato;
    }
    Invio invio(address, soapAction, request, m_ctx.maxRispostaBytes);
    prepara(m_curl, invio);
    m_ultimo = concludi(m_curl, curl_easy_perform(static_cast<CURL*>(m_curl)), invio);
    if (m_ultimo.riuscita)
        m_ctx.op().setAnswerText(mascheraDati(m_ultimo.grezza));
    return m_ultimo.risultato;
}

std::vector<Transport::Esito> Transport::ChiamaServizioInParallelo(const QString& address, const QStringList& requests,
                                                                   int connessioni)
{
    std::vector<Esito> esiti(size_t(requests.size()));
    const size_t posti = size_t(std::clamp<qsizetype>(connessioni, 1, std::max<qsizetype>(requests.size(), 1)));
    if (!m_multi)
        m_multi = curl_multi_init();
    CURLM* multi = static_cast<CURLM*>(m_multi);
    while (m_paralleli.size() < posti) {
        CURL* easy = curl_easy_init();
        if (!easy)
            break;
        m_paralleli.push_back(easy);
    }
    if (!multi || m_paralleli.empty()) {
        for (Esito& e : esiti)
            e.risultato = errorText(CURLE_FAILED_INIT, u"Impossibile inizializzare il client HTTP"_s);
        return esiti;
    }
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, long(posti));
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, long(std::max(posti, m_paralleli.size())));

    // Each place is one easy handle: the request it carries (-1 when idle) and what it sends.
    struct Posto
    {
        CURL* easy = nullptr;
        qsizetype richiesta = -1;
        std::unique_ptr<Invio> invio;
    };
    std::vector<Posto> occupati;
    for (size_t k = 0; k < std::min(posti, m_paralleli.size()); ++k)
        occupati.push_back({static_cast<CURL*>(m_paralleli[k]), -1, nullptr});
    qsizetype prossima = 0;
    bool basta = false; // a post got no answer: the service is taken for unreachable
    int inCorso = 0;
    const auto avvia = [&](Posto& posto) {
        if (basta || prossima >= requests.size() || m_ctx.avanzamento.arrestoRichiesto())
            return;
        posto.richiesta = prossima++;
        posto.invio = std::make_unique<Invio>(address, QString(), requests.at(posto.richiesta), m_ctx.maxRispostaBytes);
        prepara(posto.easy, *posto.invio);
        curl_multi_add_handle(multi, posto.easy);
        ++inCorso;
    };
    for (Posto& posto : occupati)
        avvia(posto);
    while (inCorso > 0) {
        int attivi = 0;
        curl_multi_perform(multi, &attivi);
        int resto = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &resto)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            const auto posto = std::find_if(occupati.begin(), occupati.end(),
                                            [&](const Posto& p) { return p.easy == msg->easy_handle; });
            const CURLcode rc = msg->data.result;
            curl_multi_remove_handle(multi, posto->easy);
            --inCorso;
            Esito& e = esiti[size_t(posto->richiesta)];
            e = concludi(posto->easy, int(rc), *posto->invio);
            posto->invio.reset();
            posto->richiesta = -1;
            basta = basta || (!e.riuscita && !e.interrotta);
            avvia(*posto);
        }
        // The wait is short, so that a stop request is seen at once even while nothing arrives.
        if (inCorso > 0)
            curl_multi_poll(multi, nullptr, 0, 50, nullptr);
    }
    const bool fermo = m_ctx.avanzamento.arrestoRichiesto();
    for (qsizetype i = prossima; i < requests.size(); ++i) {
        Esito& e = esiti[size_t(i)];
        e.interrotta = fermo;
        e.risultato = fermo ? errorText(CURLE_ABORTED_BY_CALLBACK, descrizione(CURLE_ABORTED_BY_CALLBACK))
                            : errorText(CURLE_COULDNT_CONNECT, u"Non inviata: il servizio non ha risposto a una "
                                                               u"richiesta precedente"_s);
    }
    return esiti;
}
