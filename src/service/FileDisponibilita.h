#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// A prepared availability file (WBValuesRooms*.txt), read line by line: "dd/mm/yyyy,code,Avail,v1,v2,...,"
// and the same with "Price". Every piece ends with a comma (a last piece without one is not taken), and a
// line may end before day 31.
struct FileDisponibilita
{
    struct Camera
    {
        QString codice;                  // the QV room code, trimmed
        std::array<QString, 31> avail{}; // day j's "Avail" value: empty, or a whole number 0 to 9999
    };

    QDate inizio;         // the period's first day
    QList<Camera> camere; // in order of first appearance, every one of the file
    QString errore;       // what is wrong, naming the line; empty when the file reads as the format

    // Reads the lines; a line that does not read as the format ends the reading with errore set.
    static FileDisponibilita leggi(const QStringList& righe);
};
