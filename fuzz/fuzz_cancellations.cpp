// The "canc" answer of the reservation download against three stored reservations.

#include "FuzzSupport.h"

#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "service/Transport.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    s.svuota({u"Reservations"_s});
    {
        Database db(s.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Reservations"_s);
        int n = 0;
        for (const QString& id : {u"SB1001"_s, u"SB1002"_s, u"SB1003"_s}) {
            rs.AddNew();
            rs.setField(u"NumeroHotel"_s, 1);
            rs.setField(u"NPren"_s, id);
            rs.setField(u"Status"_s, n == 2 ? u"Cancelled"_s : u"Reserved"_s);
            rs.setField(u"Registrata"_s, n++ == 0 ? 0 : 1);
            rs.Update();
        }
    }
    const QString answer = Transport::decodificaRisposta(bytes(data, size), {});
    ServiceClient client(s.ctx);
    ReservationImporter(s.ctx, client).LeggiCancellazioni(answer);

    // A row is only ever marked as a cancellation; a handled cancellation is never reopened.
    Database db(s.dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Reservations"_s);
    richiede(rs.RecordCount() == 3, "cancellations add no rows");
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        const QString status = rs.Field(u"Status"_s).toString();
        richiede(status == u"Reserved" || status == u"Cancelled", "a status is the stored one or Cancelled");
        if (rs.Field(u"NPren"_s).toString() == u"SB1003")
            richiede(rs.Field(u"Registrata"_s).toInt() != 0, "a handled cancellation stays handled");
    }
    return 0;
}
