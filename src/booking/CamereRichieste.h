#pragma once

#include <QString>
#include <algorithm>
#include <array>

// One room line of a web reservation on its way into QV.
struct RigaCamera
{
    QString tipoWeb;     // web room type id, from Room k
    QString descrizione; // DesRooms of that type, for the summary
    QString camera;      // the QV room chosen ("-" or empty: none)
    QString tipoCamera;  // QV room type of the line; blank: the line is not written
    QString trattamento; // QV arrangement code
    double persone = 0;
    double prezzo = 0;
    // The room stay the line is a room of (1..10, 0: none), and the line's share of its prices: a
    // stay of several rooms sold for all of them is divided among its rooms.
    int soggiorno = 0;
    bool primoDelTipo = true; // the first stay of its web type: price rows without a stay are its
    int parte = 0;            // 0-based room of the stay
    int parti = 1;            // the rooms its prices are divided among (1: each room pays them whole)

    // A line that takes a QV room: it is checked again when the booking is written.
    bool haCamera() const
    {
        const QString c = camera.trimmed();
        return !tipoCamera.trimmed().isEmpty() && !c.isEmpty() && c != u"-";
    }
};

// The share of room parte (0-based) of a price divided among parti rooms, the cents left over to the
// first room: 100.01 among 2 is 50.01 and 50.00.
inline double quota(double prezzo, int parte, int parti)
{
    if (parti <= 1)
        return prezzo;
    const qint64 centesimi = qRound64(prezzo * 100);
    const qint64 ciascuna = centesimi / parti;
    return double(ciascuna + (parte == 0 ? centesimi - ciascuna * parti : 0)) / 100.0;
}

// The guests of room parte (0-based) of a stay of parti rooms: shared as evenly as possible, the first
// rooms taking what is left over; every room of a stay of several holds at least one person.
inline double ospitiDi(double ospiti, int parte, int parti)
{
    if (parti <= 1)
        return ospiti;
    const qint64 tutti = qint64(ospiti);
    const qint64 ciascuna = tutti / parti;
    return double(std::max<qint64>(1, ciascuna + (parte < tutti - ciascuna * parti ? 1 : 0)));
}

// The room table CamereRichieste of one reservation: lines 1 to 10.
struct CamereRichieste
{
    static constexpr int Righe = 10;
    std::array<RigaCamera, Righe> righe;

    RigaCamera& riga(int i) { return righe[static_cast<size_t>(i - 1)]; }
    const RigaCamera& riga(int i) const { return righe[static_cast<size_t>(i - 1)]; }

    // Whether a line of this reservation already holds the room.
    bool scelta(const QString& camera) const
    {
        const QString c = camera.trimmed();
        if (c.isEmpty())
            return false;
        for (const RigaCamera& r : righe)
            if (r.camera.trimmed() == c)
                return true;
        return false;
    }
};
