#pragma once

#include <QString>

#include <vector>

// Reads values out of the service's reservation answers by plain text search, the way every parser of the
// answers expects: positions count UTF-16 characters from 1, comparisons are exact, and a value that is not
// there reads as one blank " ".
//
// The answer is indexed once: the start of every reservation ("HotelReservation " followed by attributes) and
// where it ends. A call addressed to reservation n therefore only looks inside reservation n, so reading all
// reservations costs time proportional to the answer, and a reservation that lacks a tag reads " " instead of
// a later reservation's value.
//
// Searches run to the very end of the text: a tag or needle that ends on the last character is found.
class TagScanner
{
public:
    explicit TagScanner(QString text);

    // Value of the first tag (attribute, or element text when attr is empty) in reservation n.
    // Tag "HotelReservation " with an attribute reads the reservation's own start tag (ResStatus).
    // Attribute "Text" gives ">" followed by the text of the next Text element; tag "Text" without an
    // attribute gives the element's text up to "</Text>".
    QString CercaTag(int n, const QString& tag, const QString& attr) const;

    // Occurrences of needle in the whole answer, overlapping ones included.
    int ContaOccorrenze(const QString& needle) const;

    // Value of the m-th occurrence of the tag inside reservation n. Sets PosizioneTag.
    QString CercaTagPrenotazione(int n, int m, const QString& tag, const QString& attr);

    // Value of the m-th occurrence of the tag from position start (1-based; 0 means 1) up to the next
    // "HotelReservation" text, which stops the search (a reservation's end, its ID or the list's end).
    // Sets PosizioneTag.
    QString CercaTagDa(qsizetype start, int m, const QString& tag, const QString& attr);

    // 1-based position of the "<" of the tag the last CercaTagPrenotazione/CercaTagDa found; 0 when none.
    qsizetype PosizioneTag() const { return m_posizioneTag; }

    const QString& text() const { return m_text; }

    // Number of "HotelReservation " texts, as ContaOccorrenze(text, "HotelReservation ") counts them.
    int reservationCount() const { return static_cast<int>(m_reservations.size()); }

    // 1-based position of the "<" of the n-th "<HotelReservation " start tag; 0 when there is none.
    qsizetype reservationStart(int n) const;

private:
    struct Reservation
    {
        qsizetype at;  // 0-based index of the "H" of its "HotelReservation "
        qsizetype end; // 0-based, exclusive: its "</HotelReservation>", the next reservation's "<" or the end
    };

    QString m_text;
    std::vector<Reservation> m_reservations;
    std::vector<qsizetype> m_startTags; // 0-based index of the "<" of every "<HotelReservation "
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
