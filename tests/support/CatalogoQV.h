#pragma once

#include "store/Database.h"
#include "store/Recordset.h"

#include <QDir>
#include <QString>
#include <QVariantMap>

// Rows of a small hotel for the availability and mapping tests: QV's room types and the service's
// room types and rates with the QV type or arrangement each is mapped to.
namespace CatalogoQV {

// One row of a table of a database of the working directory.
inline void inserisci(const QDir& dir, const QString& database, const QString& table, const QVariantMap& fields)
{
    Database db(dir, database);
    Recordset rs = db.OpenRecordset(table);
    rs.AddNew();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        rs.setField(it.key(), it.value());
    rs.Update();
}

// A QV room type ("C" a bedroom type) with its number of rooms; the description is the code unless given.
inline void tipoCamera(const QDir& dir, const QString& sigla, int quantita,
                       const QString& tipologia = QStringLiteral("C"), const QString& descrizione = {})
{
    inserisci(dir, QStringLiteral("TipiCamere.mdb"), QStringLiteral("TipiCamere"),
              {{QStringLiteral("NumeroHotel"), 1},
               {QStringLiteral("Sigla"), sigla},
               {QStringLiteral("Descrizione"), descrizione.isEmpty() ? sigla : descrizione},
               {QStringLiteral("Tipologia"), tipologia},
               {QStringLiteral("Quantita"), quantita}});
}

// A service room type of a hotel at a level, mapped to a QV type (" " while it is not mapped).
inline void cameraServizio(const QDir& dir, const QString& hotel, const QString& id, int livello, const QString& qv,
                           const QString& descrizione = {})
{
    inserisci(dir, QStringLiteral("SimpleBooking.mdb"), QStringLiteral("Rooms"),
              {{QStringLiteral("NumeroHotel"), 1},
               {QStringLiteral("HotelId"), hotel},
               {QStringLiteral("RoomsId"), id},
               {QStringLiteral("RoomsLevel"), livello},
               {QStringLiteral("DesRooms"), descrizione.isEmpty() ? id : descrizione},
               {QStringLiteral("QVRooms"), qv}});
}

// A service rate of a hotel, mapped to a QV arrangement (" " while it is not mapped) and an invoice item code.
inline void tariffaServizio(const QDir& dir, const QString& hotel, const QString& id, const QString& descrizione,
                            const QString& qv, int codice)
{
    inserisci(dir, QStringLiteral("SimpleBooking.mdb"), QStringLiteral("Rates"),
              {{QStringLiteral("NumeroHotel"), 1},
               {QStringLiteral("HotelId"), hotel},
               {QStringLiteral("RatesId"), id},
               {QStringLiteral("DesRates"), descrizione},
               {QStringLiteral("QVRates"), qv},
               {QStringLiteral("RateCode"), codice}});
}

} // namespace CatalogoQV
