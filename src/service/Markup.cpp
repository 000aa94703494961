#include "service/Markup.h"

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace Markup {

namespace {

bool spazio(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool fineNome(QChar c)
{
    return spazio(c) || c == u'=' || c == u'>' || c == u'/' || c == u'<' || c == u'"' || c == u'\'';
}

// Where a construct that ends with chiude ends: just after it, or at the end of the text.
qsizetype dopo(QStringView t, qsizetype da, QStringView chiude, qsizetype* contenuto)
{
    const qsizetype e = t.indexOf(chiude, da);
    *contenuto = e < 0 ? t.size() : e;
    return e < 0 ? t.size() : e + chiude.size();
}

// The tag that begins at t[at] (a "<" followed by a name); its attributes up to the ">" that closes it.
Pezzo leggiTag(QStringView t, qsizetype at)
{
    const qsizetype n = t.size();
    Pezzo p;
    p.tipo = Pezzo::Tipo::Tag;
    p.inizio = at;
    qsizetype j = at + 1;
    if (t.at(j) == u'/') {
        p.chiusura = true;
        ++j;
    }
    p.inizioNome = j;
    while (j < n && !fineNome(t.at(j)))
        ++j;
    p.nome = t.sliced(p.inizioNome, j - p.inizioNome);
    for (;;) {
        while (j < n && spazio(t.at(j)))
            ++j;
        if (j >= n || t.at(j) == u'<')
            break; // left open: the tag ends where the next one begins
        if (t.at(j) == u'>') {
            ++j;
            break;
        }
        if (t.at(j) == u'/') {
            ++j;
            if (j < n && t.at(j) == u'>') {
                p.vuoto = true;
                ++j;
                break;
            }
            continue;
        }
        const qsizetype nome = j;
        while (j < n && !fineNome(t.at(j)))
            ++j;
        if (j == nome) {
            ++j; // a stray quote or "="
            continue;
        }
        Attributo a;
        a.nome = t.sliced(nome, j - nome);
        while (j < n && spazio(t.at(j)))
            ++j;
        if (j >= n || t.at(j) != u'=') {
            a.inizioValore = j;
            p.attributi.append(a);
            continue;
        }
        ++j;
        while (j < n && spazio(t.at(j)))
            ++j;
        a.haValore = true;
        if (j < n && (t.at(j) == u'"' || t.at(j) == u'\'')) {
            const QChar quote = t.at(j);
            a.inizioValore = j + 1;
            qsizetype close = t.indexOf(quote, a.inizioValore);
            if (close < 0)
                close = n;
            a.valore = t.sliced(a.inizioValore, close - a.inizioValore);
            j = std::min(close + 1, n);
        } else {
            a.inizioValore = j;
            while (j < n && !spazio(t.at(j)) && t.at(j) != u'>' && t.at(j) != u'<')
                ++j;
            a.valore = t.sliced(a.inizioValore, j - a.inizioValore);
        }
        p.attributi.append(a);
    }
    p.fine = j;
    return p;
}

// What is no tag: how it opens and closes. "<!" last, since it opens the others too.
struct Costrutto
{
    QStringView apre;
    QStringView chiude;
    Pezzo::Tipo tipo;
};
constexpr Costrutto kCostrutti[] = {
    {u"<!--", u"-->", Pezzo::Tipo::Commento},
    {u"<![CDATA[", u"]]>", Pezzo::Tipo::CData},
    {u"<?", u"?>", Pezzo::Tipo::Istruzione},
    {u"<!", u">", Pezzo::Tipo::Istruzione},
};

} // namespace

void perOgniPezzo(QStringView t, const std::function<void(const Pezzo&)>& fai)
{
    const qsizetype n = t.size();
    const auto testo = [&](qsizetype da, qsizetype a) {
        if (a <= da)
            return;
        Pezzo p;
        p.inizio = p.inizioContenuto = da;
        p.fine = p.fineContenuto = a;
        fai(p);
    };
    qsizetype i = 0;
    while (i < n) {
        qsizetype lt = t.indexOf(u'<', i);
        // A "<" that begins no name (nor a comment, section or instruction) is text.
        while (lt >= 0 && lt + 1 < n) {
            const QChar c = t.at(lt + 1);
            const QChar d = c == u'/' && lt + 2 < n ? t.at(lt + 2) : c;
            if (c == u'!' || c == u'?' || d.isLetter() || d == u'_' || d == u':')
                break;
            lt = t.indexOf(u'<', lt + 1);
        }
        if (lt < 0 || lt + 1 >= n) {
            testo(i, n);
            return;
        }
        testo(i, lt);
        const QStringView resto = t.sliced(lt);
        const auto costrutto = std::find_if(std::begin(kCostrutti), std::end(kCostrutti),
                                            [&](const Costrutto& c) { return resto.startsWith(c.apre); });
        Pezzo p;
        if (costrutto != std::end(kCostrutti)) {
            p.tipo = costrutto->tipo;
            p.inizio = lt;
            p.inizioContenuto = lt + costrutto->apre.size();
            p.fine = dopo(t, p.inizioContenuto, costrutto->chiude, &p.fineContenuto);
        } else {
            p = leggiTag(t, lt);
        }
        p.inizioContenuto = std::min(p.inizioContenuto, n);
        p.fineContenuto = std::max(p.fineContenuto, p.inizioContenuto);
        fai(p);
        i = p.fine;
    }
}

QStringView nomeLocale(QStringView nome)
{
    const qsizetype colon = nome.lastIndexOf(u':');
    return colon < 0 ? nome : nome.sliced(colon + 1);
}

bool nomeLocaleE(QStringView nome, QStringView locale)
{
    return nomeLocale(nome).compare(locale, Qt::CaseInsensitive) == 0;
}

QString senzaPrefissi(const QString& testo)
{
    QString out;
    qsizetype copiato = 0;
    perOgniPezzo(testo, [&](const Pezzo& p) {
        if (p.tipo != Pezzo::Tipo::Tag)
            return;
        const qsizetype colon = p.nome.lastIndexOf(u':');
        if (colon <= 0 || colon + 1 >= p.nome.size())
            return;
        if (out.isEmpty())
            out.reserve(testo.size());
        out += QStringView(testo).sliced(copiato, p.inizioNome - copiato);
        copiato = p.inizioNome + colon + 1;
    });
    if (copiato == 0)
        return testo;
    out += QStringView(testo).sliced(copiato);
    return out;
}

} // namespace Markup
