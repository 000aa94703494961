#include "shell/HeadlessOperatorPort.h"

#include "shell/Registro.h"
#include "store/TextFile.h"

#include <QFile>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

QString nomeRisposta(OperatorPort::Answer a)
{
    switch (a) {
    case OperatorPort::Answer::Ok:
        return u"OK"_s;
    case OperatorPort::Answer::Yes:
        return u"Sì"_s;
    case OperatorPort::Answer::No:
        return u"No"_s;
    case OperatorPort::Answer::Unanswered:
        return u"nessuna: resta in attesa di un operatore"_s;
    }
    return {};
}

std::optional<OperatorPort::Answer> leggiSiNo(const QString& riga)
{
    const QString r = riga.trimmed().toLower();
    if (r == u"yes" || r == u"y" || r == u"si" || r == u"sì" || r == u"s")
        return OperatorPort::Answer::Yes;
    if (r == u"no" || r == u"n")
        return OperatorPort::Answer::No;
    return std::nullopt;
}

} // namespace

HeadlessOperatorPort::HeadlessOperatorPort(Registro& registro, const QStringList& risposte)
    : m_registro(registro), m_risposte(risposte.begin(), risposte.end())
{
}

std::optional<QStringList> HeadlessOperatorPort::leggiRisposte(const QString& path, QString* errore)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errore)
            *errore = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    auto utf8 = QStringDecoder(QStringDecoder::Utf8);
    QString testo = utf8(bytes);
    if (utf8.hasError())
        testo = TextFile::fromCp1252(bytes);
    testo.replace(u"\r\n"_s, u"\n"_s);
    QStringList righe = testo.split(u'\n');
    if (!righe.isEmpty() && righe.last().isEmpty())
        righe.removeLast(); // the line end of the last line
    return righe;
}

OperatorPort::Answer HeadlessOperatorPort::messageBox(const Message& message)
{
    Answer risposta = Answer::Ok;
    QString come;
    if (message.buttons == Buttons::YesNo) {
        const Answer senzaRisposta = message.whenUnattended.value_or(message.defaultButton);
        if (m_risposte.empty()) {
            risposta = senzaRisposta;
            come = u" (risposte esaurite)"_s;
        } else {
            const QString riga = m_risposte.front();
            m_risposte.pop_front();
            if (auto a = leggiSiNo(riga)) {
                risposta = *a;
            } else {
                risposta = senzaRisposta;
                come = u" (riga \""_s + riga + u"\" non valida: attese yes o no)"_s;
            }
        }
    }
    m_registro.scrivi(u"["_s + message.title + u"] "_s + message.text + u"\n-> risposta: "_s + nomeRisposta(risposta) +
                      come);
    return risposta;
}

std::optional<QString> HeadlessOperatorPort::inputBox(const QString& prompt, const QString& title, const QString&)
{
    std::optional<QString> risposta;
    if (!m_risposte.empty()) {
        risposta = m_risposte.front();
        m_risposte.pop_front();
    }
    m_registro.scrivi(u"["_s + title + u"] "_s + prompt + u"\n-> risposta: "_s +
                      (risposta ? u"\""_s + *risposta + u'"' : u"nessuna (risposte esaurite)"_s));
    return risposta;
}

void HeadlessOperatorPort::setCaption(const QString& caption)
{
    if (caption != m_caption)
        m_registro.scrivi(caption);
    m_caption = caption;
}
