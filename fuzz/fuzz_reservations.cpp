// The "new" answer of the reservation download, from its bytes through the parser into a scratch store.

#include "FuzzSupport.h"

#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "service/Transport.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    s.svuota({u"Reservations"_s, u"ReservationsPrice"_s});
    const QString answer = Transport::decodificaRisposta(bytes(data, size), {});
    ServiceClient client(s.ctx);
    ReservationImporter(s.ctx, client).LeggiPrenotazioni(answer);

    // Whatever the answer, a stored reservation has a key of its own that fits its field, and
    // every text is whole UTF-16 (no half of a character).
    Database db(s.dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Reservations"_s);
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        const QString id = rs.Field(u"NPren"_s).toString();
        richiede(!id.trimmed().isEmpty() && id.size() <= 50, "NPren present and within its 50 characters");
        for (const QString& field : {u"LastName"_s, u"FirstName"_s, u"City"_s, u"Notes"_s, u"Agency"_s})
            richiede(rs.Field(field).toString().isValidUtf16(), "stored texts are whole characters");
        richiede(rs.Field(u"Room1_Q"_s).toDouble() <= 2147483647.0, "Room1_Q within a Long");
    }
    return 0;
}
