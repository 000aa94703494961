#pragma once

#include <QString>

class AppContext;
class Database;

// Books rooms of a booking drawn from an allotment against the holder's Riserva rows, one row per
// night from dataArrivo up to dataPartenza (not included): rooms move from CamereNonUtilizzate to
// CamereUtilizzate and an unused row is marked "*". A negative quantita gives rooms back.
// tipoDitta is "D" (company) or "A" (agency); tipoCamere is used trimmed.

// Inside the caller's unit of work (Allotments.mdb attached); nothing when Riserva is not there.
// Store errors throw StoreError.
void AggiornaAllotment(Database& uow, qint16 numeroHotel, qint32 codiceDitta, const QString& tipoDitta,
                       const QString& dataArrivo, const QString& dataPartenza, const QString& tipoCamere,
                       const QString& numeroCamera, qint16 quantita);

// On its own, in a unit of work of its own; nothing when Allotments.mdb does not exist.
void AggiornaAllotment(const AppContext& ctx, qint32 codiceDitta, const QString& tipoDitta, const QString& dataArrivo,
                       const QString& dataPartenza, const QString& tipoCamere, const QString& numeroCamera,
                       qint16 quantita);
