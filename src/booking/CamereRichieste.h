#pragma once

#include <QString>
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

    // A line that takes a QV room: it is checked again when the booking is written.
    bool haCamera() const
    {
        const QString c = camera.trimmed();
        return !tipoCamera.trimmed().isEmpty() && !c.isEmpty() && c != u"-";
    }
};

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
