#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

class Recordset;
class TagScanner;

// A value of a reservation that its field cannot hold (a count beyond a Long, an amount beyond a
// currency field): the reservation is refused whole, never stored as another number.
struct ValoreRifiutato
{
    QString campo;
    QString valore;
};

// An amount of the service (a point before the decimals) as the decimal number it is; 0 when it
// is missing or no number. An amount beyond the range of a currency field throws ValoreRifiutato.
double importoCampo(const QString& text, const QString& campo);
// The amount as the Italian two-decimal text the stored amounts carry ("1.234,50").
QString importoTesto(double importo);
// The whole number a count starts with (NumberOfUnit, Count; "2 adulti" is 2); 0 when it starts
// with none. One beyond massimo throws ValoreRifiutato.
double numeroCampo(const QString& text, const QString& campo, double massimo);

// A service room type as the Rooms table maps it.
struct TipoCameraWeb
{
    QString RoomsId;
    QString DesRooms;
};

// The Rooms table in memory, looked up by room type code without regard to case as the engine
// compares text; the first row of a code wins, as a find would return it.
using CatalogoCamere = QHash<QString, TipoCameraWeb>;
QString chiaveCamera(const QString& codice);

// Reads the room stays of one reservation: the slot table DatiCamere that fills the Room k _
// fields of its Reservations row, and the nightly prices that become ReservationsPrice rows.
// Every value comes from the room stay's own elements: an attribute is read from the start tag
// of the element it belongs to, and a search never runs on into the next room stay.
class RoomStayParser
{
public:
    static constexpr int MaxCamere = 10;

    struct Slot
    {
        double quantita = 0; // rooms of the room stay (NumberOfUnit)
        QString roomsId;     // empty while the slot is free
        QString descrizione;
        double prezzo = 0; // the room stay's first Base amount
        double ospiti = 0; // its own GuestCount values, up to three
        QString trattamento;
        std::optional<double> totale; // the room stay's own Total, when it carries one
    };

    // A room stay in message order: where its RoomType start tag stands (1-based "<", 0 when the
    // reservation has no such room stay) and its room type code (" " when missing).
    struct Soggiorno
    {
        qsizetype posizione = 0;
        QString codice;
    };
    using Soggiorni = std::array<Soggiorno, MaxCamere>;

    RoomStayParser(TagScanner& scanner, const CatalogoCamere& rooms);

    // The room stays 1 to 10 of reservation n.
    Soggiorni soggiorni(int n);

    void clear();
    // Room stay k (1..10) of the reservation fills slot k. A type Rooms lacks keeps its code as
    // its type id and description, so that a mapping made before the review finds its values; a
    // stay without a number of rooms is one room.
    void LeggiCamera(const Soggiorni& soggiorni, int k);
    // Writes the slots of the room stays into the Room j _ fields of the edited row.
    void scriviSlot(Recordset& reservation) const;
    // Adds the ReservationsPrice rows that the reservation's rates give and the table lacks, each
    // with its room stay: two stays of one type keep their own prices. A row stored without a room
    // stay belongs to the first stay of its type.
    // dataFrom and dataTo are the row's arrival and departure (yyyymmdd), the dates room stay 1
    // falls back to. Returns the number of rows added.
    int LeggiPrezzi(Recordset& prices, int n, const Soggiorni& soggiorni, const QString& nPren, const QString& dataFrom,
                    const QString& dataTo, qint16 numeroHotel);

    const std::array<Slot, MaxCamere>& DatiCamere() const { return m_datiCamere; }

    // The value of attribute name in the start tag whose "<" stands at pos (1-based); " " when the
    // tag lacks it or its value is blank. Surrounding blanks are dropped, as the tag routines do.
    static QString attributoProprio(QStringView text, qsizetype pos, QStringView name);

private:
    // 1-based position of the m-th tag from start, before limit; 0 when there is none.
    qsizetype trovaTag(qsizetype start, int m, const QString& tag, qsizetype limit);
    // Where room stay k (0-based) ends: the next room stay's RoomType, else the reservation's end.
    qsizetype fineSoggiorno(const Soggiorni& soggiorni, int k) const;

    TagScanner& m_scanner;
    const CatalogoCamere& m_rooms;
    std::array<Slot, MaxCamere> m_datiCamere;
    qsizetype m_fineReservation = 0; // 1-based: the next reservation's "<", or one past the text
};
