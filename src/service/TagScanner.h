#pragma once

#include <QString>

#include <vector>

// Reads values out of the service's reservation answers by text search, the way every parser of the
// answers expects: positions count UTF-16 characters from 1, comparisons are exact, and a value that is not
// there reads as one blank " ".
//
// The answer is read once into its markup: every start and end tag with its attributes (in double or single
// quotes), with comments, CDATA sections and processing instructions passed over. A tag name searched for
// is found only where a real tag begins, never inside text, a CDATA section, a comment or an attribute
// value, so a guest comment that says "HotelReservation" splits nothing. Each reservation is the part of the
// answer from its start tag to its own end tag; a call addressed to reservation n only looks inside it, so
// reading all reservations costs time proportional to the answer, and a reservation that lacks a tag reads
// " " instead of a later reservation's value. What is wrong with a reservation's markup (an unquoted
// attribute value, an unclosed CDATA section, a reservation inside another one...) is kept for difetto().
// Element names are read without their namespace prefix: "<ota:Surname>" is found as "<Surname>" (text()
// is the answer so written).
class TagScanner
{
public:
    explicit TagScanner(QString text);

    // Value of the first tag (attribute, or element text when attr is empty) in reservation n. An attribute
    // is read from the tag found or, when it lacks it, from the first later tag of the reservation that has
    // it. Tag "HotelReservation " with an attribute reads the reservation's own start tag (ResStatus).
    // Attribute "Text" gives ">" followed by the text of the next Text element; tag "Text" without an
    // attribute gives the element's text up to "</Text>".
    QString CercaTag(int n, const QString& tag, const QString& attr) const;

    // The comments of reservation n of one kind, as its Notes hold them: ">" followed by their texts in
    // order, joined by " / "; " " when it has none. A Comment is a guest comment when its GuestViewable
    // is true (or 1, in any quotes and case) or absent, an internal one when it is false (or 0). Its
    // text is that of its Text elements, or its own when it has none.
    QString commento(int n, bool ospite) const;

    // Occurrences of needle in the whole answer, overlapping ones included.
    int ContaOccorrenze(const QString& needle) const;

    // Value of the m-th occurrence of the tag inside reservation n. Sets PosizioneTag.
    QString CercaTagPrenotazione(int n, int m, const QString& tag, const QString& attr);

    // Value of the m-th occurrence of the tag from position start (1-based; 0 means 1) up to the next tag
    // whose name begins "HotelReservation", which stops the search (a reservation's end, its ID or the
    // list's end). Sets PosizioneTag.
    QString CercaTagDa(qsizetype start, int m, const QString& tag, const QString& attr);

    // 1-based position of the "<" of the tag the last CercaTagPrenotazione/CercaTagDa found; 0 when none.
    qsizetype PosizioneTag() const { return m_posizioneTag; }

    const QString& text() const { return m_text; }

    // Number of HotelReservation start tags.
    int reservationCount() const { return static_cast<int>(m_reservations.size()); }

    // 1-based position of the "<" of the n-th HotelReservation start tag; 0 when there is none.
    qsizetype reservationStart(int n) const;
    // Whether reservation n is closed by its own end tag.
    bool reservationClosed(int n) const;
    // What is wrong with the markup of reservation n, in words for the operator; empty when nothing is.
    QString difetto(int n) const;

    // 1-based position of the "<" of the first tag (start or end) that begins with prefix ("<RoomRate ",
    // "</GuestCounts>") and starts at or after from and before limit (both 1-based); 0 when there is none.
    qsizetype trovaMarkup(QStringView prefix, qsizetype from, qsizetype limit) const;

private:
    struct Tag
    {
        qsizetype at;  // 0-based index of its "<"
        qsizetype end; // 0-based index just after its ">" (or where the broken tag stops)
        bool closing;  // an end tag
        int nameStart; // 0-based offset of the name from at
        int nameLength;
        int firstAttr; // into m_attrs
        int attrCount;
    };
    struct Attr
    {
        qsizetype name;
        qsizetype nameLength;
        qsizetype value;
        qsizetype valueLength;
    };
    struct Reservation
    {
        qsizetype at;  // 0-based index of the "<" of its start tag
        qsizetype end; // 0-based, exclusive: its end tag's "<", else the next reservation's "<" or the end
        bool closed = false;
        QString difetto;
    };

    void leggiMarkup();
    void leggiPrenotazioni();
    // Index of the first tag at or after pos (0-based).
    size_t primoTag(qsizetype pos) const;
    // The m-th tag beginning with search that starts in [from, limit); -1 when none.
    qsizetype trovaTag(QStringView search, int m, qsizetype from, qsizetype limit) const;
    QStringView nome(const Tag& t) const { return QStringView(m_text).sliced(t.at + t.nameStart, t.nameLength); }
    // The value after the found tag (index into m_tags), as the reading rules say.
    QString leggiValore(size_t tag, const QString& search, const QString& attr, qsizetype limit) const;
    void difettoA(qsizetype at, const QString& cosa) { m_difetti.push_back({at, cosa}); }

    QString m_text;
    std::vector<Tag> m_tags;
    std::vector<Attr> m_attrs;
    std::vector<std::pair<qsizetype, QString>> m_difetti; // 0-based position, what is wrong there
    std::vector<Reservation> m_reservations;
    qsizetype m_posizioneTag = 0;
};

// Occurrences of needle in text, overlapping ones included; 0 for an empty needle.
int ContaOccorrenze(const QString& text, const QString& needle);

// The quoted value after the first occurrence of name at or after position s (1-based) of t. The name matches
// as plain text (also inside a longer name). The last character of t is never collected, so a value left
// open at the end of t loses its last character. Empty text when the name or an opening quote is missing.
QString ValoreAttributo(const QString& t, qsizetype s, const QString& name);

// The text after the first occurrence of marker at or after position s (1-based) of t, up to the first "]"
// (the last character of t never collected). Empty text when the marker is missing.
QString TestoCData(const QString& t, qsizetype s, const QString& marker);
