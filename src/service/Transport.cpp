#include "service/Transport.h"

#include "context/AppContext.h"

#include "store/TextFile.h"

#include <QStringDecoder>
#include <QUrl>
#include <cctype>
#include <curl/curl.h>
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

// Bytes in a named character set; nullopt when the name is none this program knows.
std::optional<QString> decodifica(const QByteArray& bytes, const QByteArray& charset)
{
    // What servers call Latin-1 is, in practice, the Windows code page that extends it.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso_8859-1" || charset == "l1" ||
        charset == "windows-1252" || charset == "cp1252" || charset == "us-ascii" || charset == "ascii")
        return TextFile::fromCp1252(bytes);
    const auto encoding = QStringConverter::encodingForName(charset.constData());
    if (!encoding)
        return std::nullopt;
    QStringDecoder decoder(*encoding);
    return decoder.decode(bytes);
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

QString Transport::decodificaRisposta(const QByteArray& bytes, const QByteArray& contentType)
{
    // A byte-order mark says it all; then the Content-Type header, then the XML declaration; else UTF-8.
    if (const auto bom = QStringConverter::encodingForData(bytes); bom && *bom != QStringConverter::Utf8) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes);
    }
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
        if (auto text = decodifica(bytes, charset))
            return *text;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QString Transport::ChiamaServizio(const QString& address, const QString& soapAction, const QString& request)
{
    m_raw.clear();
    m_bytes.clear();
    m_status = 0;
    m_ok = false;
    if (!m_curl)
        m_curl = curl_easy_init();
    CURL* curl = static_cast<CURL*>(m_curl);
    if (!curl)
        return errorText(CURLE_FAILED_INIT, u"Impossibile inizializzare il client HTTP"_s);
    curl_easy_reset(curl);

    const QByteArray url = address.toUtf8();
    const QByteArray body = "xml=" + formValue(request);
    Ricezione answer;
    answer.limite = m_ctx.maxRispostaBytes;
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
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_ctx.maxRispostaBytes));
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, interrompi);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &m_ctx.avanzamento);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    char curlError[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);

    const CURLcode rc = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    if (answer.troppoGrande || rc == CURLE_FILESIZE_EXCEEDED)
        return errorText(long(CURLE_FILESIZE_EXCEEDED), u"Risposta del servizio troppo grande (oltre "_s +
                                                            QString::number(m_ctx.maxRispostaBytes / (1024 * 1024)) +
                                                            u" MiB): lo scambio è stato interrotto"_s);
    if (rc != CURLE_OK) {
        const QString detail = curlError[0] ? QString::fromUtf8(curlError) : QString::fromUtf8(curl_easy_strerror(rc));
        return errorText(long(rc), descrizione(rc) + u" ("_s + detail + u')');
    }
    // The body is the answer whatever the HTTP status, decoded as it declares itself.
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &m_status);
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    m_bytes = std::move(answer.bytes);
    m_raw = decodificaRisposta(m_bytes, type ? QByteArray(type) : QByteArray());
    m_ok = true;
    m_ctx.op().setAnswerText(m_raw);
    return estraiRisposta(m_raw);
}
