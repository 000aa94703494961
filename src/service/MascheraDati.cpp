#include "service/MascheraDati.h"

#include "service/Markup.h"
#include "service/Transport.h"
#include "store/ValueCleaning.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

using Markup::nomeLocaleE;

const QString kCodice = u"***"_s;
const QString kPassword = u"********"_s;

enum class Segreto { Nessuno, Carta, Codice };

Segreto segretoDi(QStringView nome)
{
    if (nomeLocaleE(nome, u"CardNumber"))
        return Segreto::Carta;
    if (nomeLocaleE(nome, u"SeriesCode") || nomeLocaleE(nome, u"CardSecurityCode") || nomeLocaleE(nome, u"CVV"))
        return Segreto::Codice;
    return Segreto::Nessuno;
}

bool pagamento(QStringView nome)
{
    return nomeLocaleE(nome, u"PaymentCard") || nomeLocaleE(nome, u"PaymentForm") || nomeLocaleE(nome, u"Guarantee");
}

bool cifra(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A card number kept to its last four digits; the separators go. A value with four digits or fewer
// (one masked already) stays.
QString carta(QStringView valore)
{
    QString cifre;
    for (QChar c : valore)
        if (cifra(c))
            cifre += c;
    if (cifre.size() <= 4)
        return valore.toString();
    const qsizetype nascoste = cifre.size() - 4;
    return QString(nascoste, u'*') + cifre.sliced(nascoste);
}

// Length of the character or entity reference at t[at] (an "&"), 0 when there is none: its digits
// are no digits of the text.
qsizetype riferimento(QStringView t, qsizetype at)
{
    for (qsizetype j = at + 1; j < t.size() && j < at + 12; ++j) {
        const QChar c = t.at(j);
        if (c == u';')
            return j > at + 1 ? j - at + 1 : 0;
        if (!(c.isLetterOrNumber() || c == u'#'))
            return 0;
    }
    return 0;
}

// The text with every run of 13 to 19 digits (single blanks or dashes between groups) masked.
QString numeriCarta(QStringView t)
{
    QString out;
    out.reserve(t.size());
    qsizetype i = 0;
    while (i < t.size()) {
        const QChar c = t.at(i);
        if (c == u'&') {
            const qsizetype r = std::max<qsizetype>(riferimento(t, i), 1);
            out += t.sliced(i, r);
            i += r;
            continue;
        }
        if (!cifra(c)) {
            out += c;
            ++i;
            continue;
        }
        qsizetype j = i;
        int cifre = 0;
        while (j < t.size()) {
            if (cifra(t.at(j))) {
                ++cifre;
                ++j;
            } else if ((t.at(j) == u' ' || t.at(j) == u'-') && j + 1 < t.size() && cifra(t.at(j + 1))) {
                ++j;
            } else {
                break;
            }
        }
        const QStringView corsa = t.sliced(i, j - i);
        out += cifre >= 13 && cifre <= 19 ? carta(corsa) : corsa.toString();
        i = j;
    }
    return out;
}

// The elements open at a point of the text, innermost last.
class Aperti
{
public:
    void apri(QStringView nome) { m_nomi.append(nome.toString()); }
    void chiudi(QStringView nome)
    {
        for (qsizetype k = m_nomi.size() - 1; k >= 0; --k) {
            if (m_nomi.at(k) == nome) {
                m_nomi.resize(k);
                return;
            }
        }
    }
    bool inPagamento() const
    {
        return std::any_of(m_nomi.cbegin(), m_nomi.cend(), [](const QString& n) { return pagamento(n); });
    }
    Segreto segreto() const
    {
        for (qsizetype k = m_nomi.size() - 1; k >= 0; --k)
            if (const Segreto s = segretoDi(m_nomi.at(k)); s != Segreto::Nessuno)
                return s;
        return Segreto::Nessuno;
    }

private:
    QStringList m_nomi;
};

// What a piece of text becomes where it stands.
QString mascherato(QStringView valore, Segreto segreto, bool inPagamento)
{
    switch (segreto) {
    case Segreto::Carta:
        return carta(valore);
    case Segreto::Codice:
        return valore.trimmed().isEmpty() ? valore.toString() : kCodice;
    case Segreto::Nessuno:
        break;
    }
    return inPagamento ? numeriCarta(valore) : valore.toString();
}

} // namespace

QString mascheraDati(const QString& testo)
{
    using Markup::Pezzo;
    const QStringView t = testo;
    QString out;
    out.reserve(testo.size());
    qsizetype copiato = 0;
    bool cambiato = false;
    // Replaces [da, a) of the text, which no earlier replacement reaches.
    const auto sostituisci = [&](qsizetype da, qsizetype a, const QString& con) {
        if (con == t.sliced(da, a - da))
            return;
        out += t.sliced(copiato, da - copiato);
        out += con;
        copiato = a;
        cambiato = true;
    };
    Aperti aperti;
    Markup::perOgniPezzo(t, [&](const Pezzo& p) {
        const QStringView contenuto = t.sliced(p.inizioContenuto, p.fineContenuto - p.inizioContenuto);
        switch (p.tipo) {
        case Pezzo::Tipo::Istruzione:
            return;
        case Pezzo::Tipo::Testo:
        case Pezzo::Tipo::CData:
        case Pezzo::Tipo::Commento:
            sostituisci(p.inizioContenuto, p.fineContenuto,
                        mascherato(contenuto, p.tipo == Pezzo::Tipo::Commento ? Segreto::Nessuno : aperti.segreto(),
                                   aperti.inPagamento()));
            return;
        case Pezzo::Tipo::Tag:
            break;
        }
        if (p.chiusura) {
            aperti.chiudi(p.nome);
            return;
        }
        const bool credenziali = nomeLocaleE(p.nome, u"provider") || nomeLocaleE(p.nome, u"XMLHotelAgent");
        const bool inPagamento = aperti.inPagamento() || pagamento(p.nome);
        for (const Markup::Attributo& a : p.attributi) {
            const qsizetype fine = a.inizioValore + a.valore.size();
            if (!a.haValore)
                continue;
            if (credenziali && nomeLocaleE(a.nome, u"Pwd"))
                sostituisci(a.inizioValore, fine, kPassword);
            else
                sostituisci(a.inizioValore, fine, mascherato(a.valore, segretoDi(a.nome), inPagamento));
        }
        if (!p.vuoto)
            aperti.apri(p.nome);
    });
    if (!cambiato)
        return testo;
    out += t.sliced(copiato);
    return out;
}

QString estrattoMascherato(const QString& testo, qsizetype lunghezza)
{
    // Masked whole before it is cut, so that a card number cut in two is never shown in part.
    return tagliaTesto(mascheraDati(testo.simplified()), lunghezza);
}

QByteArray mascheraCopia(const QByteArray& bytes, const QByteArray& contentType)
{
    return Transport::cambiaTesto(bytes, contentType, mascheraDati);
}
