// The answers of the room list and rate plan downloads, into a scratch store.

#include "FuzzSupport.h"

#include "service/ServiceClient.h"
#include "service/Transport.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    Scratch& s = scratch();
    s.svuota({u"Rates"_s});
    const auto which = data[0] % 2 ? ServiceClient::Catalogo::Rates : ServiceClient::Catalogo::Rooms;
    const QString answer = Transport::decodificaRisposta(bytes(data + 1, size - 1), {});
    ServiceClient client(s.ctx);
    client.aggiornaCatalogo(which, u"9999"_s, Transport::estraiRisposta(answer));
    // The hotel's rows go again, leaving the three fixed room types.
    Database db(s.dir(), u"SimpleBooking.mdb"_s);
    QSqlQuery q = db.query();
    q.exec(u"DELETE FROM Rooms WHERE HotelId = '9999'"_s);
    return 0;
}
