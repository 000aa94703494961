#include "service/FileDisponibilita.h"

#include "store/DaySlots.h"
#include "store/ValueCleaning.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kGiorni = 31;

// A whole number written with digits only (blanks around it go); nullopt otherwise.
std::optional<qint64> intero(const QString& text)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

FileDisponibilita FileDisponibilita::leggi(const QStringList& righe)
{
    FileDisponibilita file;
    for (qsizetype r = 0; r < righe.size(); ++r) {
        const QString& riga = righe.at(r);
        if (riga.trimmed().isEmpty())
            continue;
        const auto sbagliata = [&](const QString& motivo) {
            const QString mostrata = riga.size() > 80 ? tagliaTesto(riga, 80) + u"..."_s : riga;
            file.errore = u"riga "_s + QString::number(r + 1) + u" (\""_s + mostrata + u"\"): "_s + motivo;
            return file;
        };
        QStringList pezzi = riga.split(u',');
        pezzi.removeLast(); // the piece after the last comma is not taken
        if (pezzi.size() < 3)
            return sbagliata(u"mancano la data, il codice della camera o il tipo di riga"_s);
        const QDate data = TextDate::fromDmy(pezzi.at(0).trimmed());
        if (!data.isValid() || pezzi.at(0).trimmed().size() != 10)
            return sbagliata(u"la data non è una data gg/mm/aaaa"_s);
        if (file.inizio.isValid() && data != file.inizio)
            return sbagliata(u"la data è diversa da quella delle righe precedenti"_s);
        file.inizio = data;
        const QString codice = pezzi.at(1).trimmed();
        if (codice.isEmpty())
            return sbagliata(u"manca il codice della camera"_s);
        const QString tipo = pezzi.at(2).trimmed();
        if (tipo != u"Avail" && tipo != u"Price")
            return sbagliata(u"il tipo di riga non è \"Avail\" né \"Price\""_s);
        if (pezzi.size() - 3 > kGiorni)
            return sbagliata(u"più di 31 valori"_s);
        auto camera =
            std::find_if(file.camere.begin(), file.camere.end(), [&](const Camera& c) { return c.codice == codice; });
        if (camera == file.camere.end()) {
            file.camere.append({codice, {}});
            camera = file.camere.end() - 1;
        }
        for (qsizetype j = 3; j < pezzi.size(); ++j) {
            const QString valore = pezzi.at(j).trimmed();
            if (valore.isEmpty())
                continue;
            const auto numero = intero(valore);
            const QString giorno = u"giorno "_s + QString::number(j - 2);
            if (!numero)
                return sbagliata(giorno + u": \""_s + valore + u"\" non è un numero intero"_s);
            if (tipo == u"Avail") {
                if (*numero > 9999)
                    return sbagliata(giorno + u": la disponibilità "_s + valore + u" è oltre 9999"_s);
                camera->avail[size_t(j - 3)] = QString::number(*numero);
            }
        }
    }
    return file;
}
