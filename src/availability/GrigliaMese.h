#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class AppContext;

// The monthly availability and price grid: for each QV room type that the catalogue maps, the rooms
// to offer and the price of 31 days from a start date. One model behind the grid, its list copy and
// the edit boxes of the monthly window, and behind the unattended publication: "Importa da QV", a
// cell edit and "Registra" all change these values, and "Prepara File" writes them.
class GrigliaMese
{
public:
    explicit GrigliaMese(AppContext& ctx);

    static constexpr int Colonne = 33;
    static constexpr int Giorni = 31;
    static constexpr int RigheMinime = 300;
    static constexpr int LarghezzaCella = 7;
    static constexpr int LarghezzaSigla = 6;
    // A list line's day i (0..30) starts at character 15 + 7 * i.
    static constexpr int InizioGiorni = 14;

    // The grid for 31 days from the start date: the room types read again, every value at zero.
    // False (the operator told why) when the catalogue cannot be read; the grid is then empty.
    bool costruisci(const QDate& inizio);

    const QDate& inizio() const { return m_inizio; }
    QDate giorno(int i) const { return m_inizio.addDays(i); }
    int tipi() const { return int(m_tipi.size()); }
    const QString& sigla(int tipo) const { return m_tipi.at(tipo).sigla; }

    // The grid: row 0 the header, then per room type its availability row, its price row and an
    // empty row; at least 300 rows, more when the types need them.
    int righe() const;
    QString cella(int riga, int colonna) const;

    // The list copy, one line per grid row up to the last room type.
    QStringList lista() const;
    QString rigaLista(int riga) const;
    // The room type of a list line or grid row that carries a room code (an availability line); -1 else.
    int tipoDellaRiga(int riga) const;

    qint64 disponibilita(int tipo, int giorno) const { return m_tipi.at(tipo).disponibilita.at(size_t(giorno)); }
    double prezzo(int tipo, int giorno) const { return m_tipi.at(tipo).prezzi.at(size_t(giorno)); }
    // The texts of the edit boxes: the number of rooms, and the price with two decimals ("0,00").
    static QString testoDisponibilita(qint64 valore);
    static QString testoPrezzo(double valore);

    // The 7-character cells: "   0   " for no value, otherwise 2 blanks and the number; a price
    // right-aligned in 6 and a blank, or in 7 when it needs them.
    static QString cellaDisponibilita(qint64 valore);
    static QString cellaPrezzo(double valore);

    // What an edit box or a cell may hold. An availability is a whole number from -9999 to 9999
    // (blank is 0); a price is a number as the Italian settings write it. nullopt when it is not.
    static std::optional<qint64> leggiDisponibilita(const QString& testo);
    static std::optional<double> leggiPrezzo(const QString& testo);

    // Enter in the selected cell's edit box: the availability or price cell takes the value. Other
    // cells are not edited. The error text when the value is refused.
    std::optional<QString> modificaCella(int riga, int colonna, const QString& testo);

    // "Registra": the boxes of one room type become its values. Nothing changes when a box holds
    // something that is no value; the box and the reason then come back.
    struct Rifiuto
    {
        int casella = -1; // Text1 index of the box: 2..32 availability, 34..64 price
        QString testo;
    };
    std::optional<Rifiuto> registra(int tipo, const QStringList& disponibilita, const QStringList& prezzi);

    // "Importa da QV": each day's free rooms of each type, from the counter row of the day's own
    // month; a type without a row for the month has all its rooms free; 0 free shows -1 (closed).
    // Prices stay. False (told) on a store error.
    bool importaDaQV();

    // "Prepara File": writes WBValuesRooms<yyyymmddhhmmss>.txt in the working directory for the
    // scheduler to send. The file's name, or nullopt when it could not be written, or when a day
    // offers more than 9999 rooms (told).
    std::optional<QString> preparaFile();
    // The file's lines, as "Prepara File" writes them.
    QStringList righeFile() const;

    // Whether the file has been prepared since the last change of a value.
    bool preparato() const { return m_preparato; }

    // Enter in the start date: ddmmyy is dd/mm/20yy, ddmmyyyy is dd/mm/yyyy; other texts unchanged.
    static QString NormalizzaData(const QString& testo);
    // The start date a typed text stands for (normalised first); nullopt when it is no valid date.
    static std::optional<QDate> dataInizio(const QString& testo);

private:
    struct Tipo
    {
        QString sigla;
        std::array<qint64, Giorni> disponibilita{};
        std::array<double, Giorni> prezzi{};
    };
    enum class Riga { Intestazione, Disponibilita, Prezzo, Vuota };
    Riga genere(int riga) const;
    QString cellaGiorno(int riga, int giorno) const;
    QString intestazione(int giorno) const;

    AppContext& m_ctx;
    QDate m_inizio;
    QList<Tipo> m_tipi;
    bool m_preparato = false;
};
