#include "service/Transport.h"

#include "context/AppContext.h"

#include <QUrl>
#include <curl/curl.h>

using namespace Qt::StringLiterals;

namespace {

size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
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
    default:
        return u"Errore di comunicazione con il servizio"_s;
    }
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

Transport::Transport(AppContext& ctx) : m_ctx(ctx)
{
    initialiseCurl();
}

Transport::~Transport()
{
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

QString Transport::ChiamaServizio(const QString& address, const QString& soapAction, const QString& request)
{
    m_raw.clear();
    m_ok = false;
    if (!m_curl)
        m_curl = curl_easy_init();
    CURL* curl = static_cast<CURL*>(m_curl);
    if (!curl)
        return errorText(CURLE_FAILED_INIT, u"Impossibile inizializzare il client HTTP"_s);
    curl_easy_reset(curl);

    const QByteArray url = address.toUtf8();
    const QByteArray body = "xml=" + formValue(request);
    QByteArray answer;
    // An empty header must be written "Name;" or curl leaves it out; "Expect:" stops 100-continue.
    const QByteArray soap = soapAction.isEmpty() ? QByteArray("SOAPAction;") : "SOAPAction: " + soapAction.toUtf8();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, "cache-control: no-cache");
    headers = curl_slist_append(headers, soap.constData());
    headers = curl_slist_append(headers, "Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    // An address typed without a scheme goes over HTTPS, never in clear.
    curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "https");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_ctx.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, m_ctx.exchangeTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    char curlError[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);

    const CURLcode rc = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    if (rc != CURLE_OK) {
        const QString detail = curlError[0] ? QString::fromUtf8(curlError) : QString::fromUtf8(curl_easy_strerror(rc));
        return errorText(long(rc), descrizione(rc) + u" ("_s + detail + u')');
    }
    // The body is the answer whatever the HTTP status.
    m_raw = QString::fromUtf8(answer);
    m_ok = true;
    m_ctx.op().setAnswerText(m_raw);
    return estraiRisposta(m_raw);
}
