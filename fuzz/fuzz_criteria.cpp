// The record store's translation of criteria and SELECT texts, and a find that runs a criterion.

#include "FuzzSupport.h"

#include "store/SqlTranslator.h"
#include "store/StoreError.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    const QString text = QString::fromUtf8(bytes(data, size));
    const SqlTranslator translator(
        [](const QString& table, const QString&) { return SqlTranslator::quoteName(table); });
    try {
        const SqlFragment where = translator.criteria(text);
        // Every value leaves as a parameter: no quote of the text survives into the SQL.
        richiede(where.params.size() >= where.placeholders, "every placeholder has its parameter");
    } catch (const StoreError&) {
    }
    try {
        translator.select(text);
    } catch (const StoreError&) {
    }
    // The same text as the criterion of a find on a real table: an error at most, never a crash.
    try {
        Database db(s.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Rooms"_s);
        rs.FindFirst(text, {QVariant(u"DBL"_s), QVariant(1), QVariant()});
        Recordset sel = db.OpenRecordset(text);
        sel.RecordCount();
    } catch (const StoreError&) {
    }
    return 0;
}
