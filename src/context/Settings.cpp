#include "context/Settings.h"

#include "context/OperatorPort.h"
#include "store/DaySlots.h"
#include "store/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// A check box is written as a printed number: the digit with a blank on each side.
QString printedFlag(const QString& value)
{
    return valoreNumerico(value) == 1 ? u" 1 "_s : u" 0 "_s;
}

// The settings file of dir, whatever the case of its name on disk.
QString settingsPath(const QString& dir)
{
    return QDir(dir).filePath(TextFile::resolve(QDir(dir), QString::fromUtf16(Settings::FileName)));
}

} // namespace

qint64 valoreNumerico(const QString& text)
{
    return DaySlots::leadingNumber(text);
}

bool Settings::attivo() const
{
    return valoreNumerico(Attivo) == 1;
}

bool Settings::pubblica() const
{
    return valoreNumerico(Pubblica) == 1;
}

int Settings::orizzonte() const
{
    const qint64 v = valoreNumerico(Orizzonte);
    return v <= 0 ? OrizzonteNormale : int(std::min<qint64>(v, OrizzonteMassimo));
}

int Settings::giorniConservazione() const
{
    const QString t = Conservazione.trimmed();
    bool numero = false;
    const qint64 v = t.toLongLong(&numero);
    if (!numero || v < 0)
        return ConservazioneNormale;
    return int(std::min<qint64>(v, ConservazioneMassima));
}

QString Settings::nomeModalita() const
{
    return Modalita == u"2" ? u"Automatica"_s : u"Semi automatica"_s;
}

bool Settings::load(const QString& dir)
{
    Modalita = u"1"_s;
    const QString path = settingsPath(dir);
    if (!QFileInfo::exists(path))
        return false;
    // A line that cannot be read leaves its setting as it was, as the original reader did.
    const QStringList lines = TextFile::readLines(path).value_or(QStringList());
    auto line = [&](int n) -> const QString* {
        return n <= lines.size() ? &lines.at(n - 1) : nullptr;
    };
    QString* const asIs[] = {&HostName, &ProvName, &ProvPwd, &Account, &Password, &CodiceHotel, &PortalsID, &CodArr};
    if (auto l = line(1))
        Attivo = l->trimmed();
    for (int i = 0; i < 8; ++i)
        if (auto l = line(i + 2))
            *asIs[i] = *l;
    if (auto l = line(10)) {
        const qint64 v = valoreNumerico(*l);
        if (v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max())
            CodAdd = qint16(v);
    }
    if (auto l = line(11))
        AssegnazioneAutomatica = l->trimmed();
    if (auto l = line(12))
        CancellazioneDefinitiva = l->trimmed();
    // Files written before publishing existed end at line 12: publishing is off.
    Pubblica = line(13) ? line(13)->trimmed() : QString();
    Orizzonte = line(14) ? line(14)->trimmed() : QString();
    Conservazione = line(15) ? line(15)->trimmed() : QString();
    if (AssegnazioneAutomatica == u"1")
        Modalita = u"2"_s;
    return true;
}

ParametriForm ParametriForm::fromFile(const QString& dir)
{
    ParametriForm form;
    const auto lines = TextFile::readLines(settingsPath(dir));
    if (!lines)
        return form;
    auto line = [&](int n) {
        return n <= lines->size() ? lines->at(n - 1) : QString();
    };
    form.attivo = valoreNumerico(line(1)) == 1;
    for (int i = 0; i < 9; ++i)
        form.testi[i] = line(i + 2);
    form.assegnazioneAutomatica = valoreNumerico(line(11)) == 1;
    form.cancellazioneDefinitiva = valoreNumerico(line(12)) == 1;
    form.pubblica = valoreNumerico(line(13)) == 1;
    form.orizzonte = line(14).trimmed();
    form.conservazione = line(15).trimmed();
    form.altreRighe = lines->mid(15);
    return form;
}

QString Settings::erroreCodiceHotel(const QString& codice)
{
    if (codice.size() > LarghezzaCodiceHotel)
        return u"è più lungo di "_s + QString::number(LarghezzaCodiceHotel) + u" caratteri"_s;
    if (!codice.isValidUtf16())
        return u"contiene caratteri di controllo"_s;
    for (QChar c : codice)
        if (c.category() == QChar::Other_Control || c.isNonCharacter())
            return u"contiene caratteri di controllo"_s;
    return {};
}

QStringList Settings::campiIndispensabiliVuoti(const QString& hostName, const QString& codiceHotel)
{
    QStringList vuoti;
    if (hostName.trimmed().isEmpty())
        vuoti << etichetta(CampoHostName);
    if (codiceHotel.trimmed().isEmpty())
        vuoti << etichetta(CampoCodiceHotel);
    return vuoti;
}

namespace {

// "Il campo "Host name"" or "I campi "Prov Pwd", "Password"".
QString campi(const QStringList& etichette)
{
    return (etichette.size() == 1 ? u"Il campo \""_s : u"I campi \""_s) + etichette.join(u"\", \""_s) + u'"';
}

} // namespace

bool ParametriForm::registra(const QString& dir, Settings& settings, OperatorPort& op) const
{
    // Without the address or the hotel's code every exchange is impossible: nothing is saved.
    if (const QStringList vuoti =
            Settings::campiIndispensabiliVuoti(testi[Settings::CampoHostName], testi[Settings::CampoCodiceHotel]);
        !vuoti.isEmpty()) {
        op.inform(u"Errore"_s,
                  campi(vuoti) + (vuoti.size() == 1 ? u" è vuoto"_s : u" sono vuoti"_s) +
                      u": così nessuno scambio con il servizio è possibile. I parametri non sono stati salvati."_s,
                  OperatorPort::Icon::Exclamation);
        return false;
    }
    // The hotel code becomes a HotelId row and goes into every request: one that no row can hold
    // whole, or that holds control characters, is refused here rather than sent cut or broken.
    if (const QString errore = Settings::erroreCodiceHotel(testi[Settings::CampoCodiceHotel]); !errore.isEmpty()) {
        op.inform(u"Errore"_s,
                  campi({Settings::etichetta(Settings::CampoCodiceHotel)}) + u' ' + errore +
                      u": i parametri non sono stati salvati."_s,
                  OperatorPort::Icon::Critical);
        return false;
    }
    // The credentials may be empty at the service; a slip of the hand is asked about.
    QStringList credenziali;
    for (int i = 1; i <= 4; ++i)
        if (testi[i].isEmpty())
            credenziali << Settings::etichetta(i);
    if (!credenziali.isEmpty() &&
        op.ask(u"Parametri web services"_s,
               campi(credenziali) + (credenziali.size() == 1 ? u" è vuoto"_s : u" sono vuoti"_s) +
                   u": le richieste al servizio saranno inviate così.\r\nConfermi?"_s,
               OperatorPort::Answer::No) != OperatorPort::Answer::Yes)
        return false;
    if (const QString o = orizzonte.trimmed(); !o.isEmpty()) {
        bool numero = false;
        const int giorni = o.toInt(&numero);
        if (!numero || giorni < 1 || giorni > Settings::OrizzonteMassimo) {
            op.inform(u"Errore"_s,
                      u"I giorni da pubblicare sono un numero da 1 a "_s + QString::number(Settings::OrizzonteMassimo) +
                          u" (vuoto: 31): i parametri non sono stati salvati."_s,
                      OperatorPort::Icon::Critical);
            return false;
        }
    }
    if (const QString c = conservazione.trimmed(); !c.isEmpty()) {
        bool numero = false;
        const int giorni = c.toInt(&numero);
        if (!numero || giorni < 0 || giorni > Settings::ConservazioneMassima) {
            op.inform(u"Errore"_s,
                      u"I giorni di conservazione delle copie degli scambi sono un numero da 0 a "_s +
                          QString::number(Settings::ConservazioneMassima) +
                          u" (vuoto: 60; 0: per sempre): i parametri non sono stati salvati."_s,
                      OperatorPort::Icon::Critical);
            return false;
        }
    }
    const auto flag = [](bool on) {
        return on ? u"1"_s : u"0"_s;
    };
    QStringList lines{printedFlag(flag(attivo))};
    for (const QString& t : testi)
        lines.append(t);
    lines.append(printedFlag(flag(assegnazioneAutomatica)));
    lines.append(printedFlag(flag(cancellazioneDefinitiva)));
    lines.append(printedFlag(flag(pubblica)));
    lines.append(orizzonte.trimmed());
    lines.append(conservazione.trimmed());
    // What this version does not know stays for the version that wrote it.
    lines.append(altreRighe);

    const QString path = settingsPath(dir);
    const QString error = TextFile::writeLines(path, lines);
    if (!error.isEmpty()) {
        op.inform(u"Errore"_s, u"Impossibile salvare i parametri in "_s + path + u"\r\n"_s + error,
                  OperatorPort::Icon::Critical);
        return false;
    }
    settings.Attivo = flag(attivo);
    QString* const asIs[] = {&settings.HostName, &settings.ProvName,    &settings.ProvPwd,   &settings.Account,
                             &settings.Password, &settings.CodiceHotel, &settings.PortalsID, &settings.CodArr};
    for (int i = 0; i < 8; ++i)
        *asIs[i] = testi[i];
    const qint64 codAdd = valoreNumerico(testi[8]);
    settings.CodAdd = (codAdd >= std::numeric_limits<qint16>::min() && codAdd <= std::numeric_limits<qint16>::max())
                          ? qint16(codAdd)
                          : qint16(0);
    settings.AssegnazioneAutomatica = flag(assegnazioneAutomatica);
    settings.CancellazioneDefinitiva = flag(cancellazioneDefinitiva);
    settings.Pubblica = flag(pubblica);
    settings.Orizzonte = orizzonte.trimmed();
    settings.Conservazione = conservazione.trimmed();
    return true;
}
