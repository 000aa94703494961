#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// The pieces of a text that may hold XML, in order: text, tags with their attributes, comments,
// CDATA sections, and processing instructions or declarations. Nothing is refused: a text that is
// no XML is all text, a "<" that begins no name is text, and a tag, comment or section left open
// runs to the end of the text. What reads or rewrites answers without an XML parser walks them so.
namespace Markup {

struct Attributo
{
    QStringView nome;
    QStringView valore;         // inside its quotes, or as written when it has none
    qsizetype inizioValore = 0; // index of the value's first character in the text
    bool haValore = false;      // written with "=" and a value
};

struct Pezzo
{
    enum class Tipo { Testo, Tag, Commento, CData, Istruzione };
    Tipo tipo = Tipo::Testo;
    qsizetype inizio = 0; // [inizio, fine) in the text
    qsizetype fine = 0;
    // Text, a comment or a CDATA section: what it holds, without its delimiters.
    qsizetype inizioContenuto = 0;
    qsizetype fineContenuto = 0;
    // A tag: its name as written (prefix included) and where the name begins.
    QStringView nome;
    qsizetype inizioNome = 0;
    bool chiusura = false; // "</name>"
    bool vuoto = false;    // "<name/>"
    QList<Attributo> attributi;
};

void perOgniPezzo(QStringView testo, const std::function<void(const Pezzo&)>& fai);

// A name without its namespace prefix: "ota:Surname" is "Surname".
QStringView nomeLocale(QStringView nome);
// Whether a name, without its prefix, is locale, in whatever case.
bool nomeLocaleE(QStringView nome, QStringView locale);

// The text with every element name written without its namespace prefix ("<ota:Surname>" becomes
// "<Surname>", "</ota:Surname>" "</Surname>"), so that an answer whose elements carry a prefix reads
// like one that does not. Attributes, text, comments and CDATA sections stay as they are.
QString senzaPrefissi(const QString& testo);

} // namespace Markup
