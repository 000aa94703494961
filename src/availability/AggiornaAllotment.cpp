#include "availability/AggiornaAllotment.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

void AggiornaAllotment(Database& uow, qint16 numeroHotel, qint32 codiceDitta, const QString& tipoDitta,
                       const QString& dataArrivo, const QString& dataPartenza, const QString& tipoCamere,
                       const QString& numeroCamera, qint16 quantita)
{
    if (!uow.hasTable(u"Riserva"_s))
        return;
    Recordset riserva = uow.OpenRecordset(u"SELECT * FROM Riserva ORDER BY TipoDitta, CodiceDitta, DataAllotments;"_s);

    // The holder's rows of the type on the nights of the stay; rows held for this very room, when
    // there are any on those nights, stand for the room instead of the rows of any room. (A row of
    // the room on a later day alone never hides the rows the stay draws on.)
    const QString perTipo = u"NumeroHotel = ? and TipoDitta = ? and CodiceDitta = ? and TipoCamere = ? and "
                            "DataAllotments >= ? and DataAllotments < ?"_s;
    const QString perCamera = perTipo + u" and NumeroCamera = ?"_s;
    const QVariantList valoriTipo{numeroHotel, tipoDitta, codiceDitta, tipoCamere.trimmed(), dataArrivo, dataPartenza};
    const QVariantList valoriCamera = valoriTipo + QVariantList{numeroCamera};

    const bool camera = riserva.FindFirst(perCamera, valoriCamera);
    const QString& criterio = camera ? perCamera : perTipo;
    const QVariantList& valori = camera ? valoriCamera : valoriTipo;
    for (bool trovata = camera || riserva.FindFirst(perTipo, valoriTipo); trovata;
         trovata = riserva.FindNext(criterio, valori)) {
        const QString scaduto = riserva[u"Scaduto"_s].toString();
        int utilizzate = riserva[u"CamereUtilizzate"_s].toInt();
        int nonUtilizzate = riserva[u"CamereNonUtilizzate"_s].toInt();
        riserva.Edit();
        if (scaduto == u"S") {
            // A lapsed day holds no rooms any more: only the rooms taken are counted.
            utilizzate += quantita;
        } else if (scaduto == u"*") {
            utilizzate += quantita;
            nonUtilizzate -= quantita;
        } else {
            if (quantita > 0) {
                utilizzate += quantita;
                nonUtilizzate -= quantita;
            }
            riserva.setField(u"Scaduto"_s, u"*"_s);
        }
        riserva.setField(u"CamereUtilizzate"_s, utilizzate);
        riserva.setField(u"CamereNonUtilizzate"_s, nonUtilizzate);
        riserva.Update();
    }
}

void AggiornaAllotment(const AppContext& ctx, qint32 codiceDitta, const QString& tipoDitta, const QString& dataArrivo,
                       const QString& dataPartenza, const QString& tipoCamere, const QString& numeroCamera,
                       qint16 quantita)
{
    if (!QFileInfo::exists(databaseFile(ctx.workDir(), u"Allotments.mdb"_s)))
        return;
    Database db(ctx.workDir(), u"Allotments.mdb"_s);
    Database::Transaction lavoro(db);
    AggiornaAllotment(db, ctx.NumeroHotelCorrente, codiceDitta, tipoDitta, dataArrivo, dataPartenza, tipoCamere,
                      numeroCamera, quantita);
    lavoro.commit();
}
