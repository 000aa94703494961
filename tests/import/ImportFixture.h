#pragma once

// A bridge working directory whose service is the simulator: reservations are downloaded through the
// real transport, handed to the importer, and the rows they leave are read back.

#include "import/ImportAnswers.h"
#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QVariantMap>

#include <memory>

namespace ImportSupport {

using namespace Qt::StringLiterals;
using namespace ImportAnswers; // the answers the tests build go with the fixture that serves them

// A reservation text with one of its pieces changed; the piece must be there.
inline QString replaced(QString text, const QString& from, const QString& to)
{
    EXPECT_TRUE(text.contains(from)) << from.toStdString();
    return text.replace(from, to);
}

// Points a bridge context at the simulator.
inline void useSimulator(AppContext& ctx, const QString& baseUrl, const QString& reservationsUrl)
{
    ctx.baseUrl = baseUrl;
    ctx.settings.HostName = reservationsUrl;
    ctx.settings.CodiceHotel = u"1234"_s;
    ctx.settings.ProvName = u"prov"_s;
    ctx.settings.ProvPwd = u"pwd"_s;
    ctx.settings.Account = u"account"_s;
    ctx.settings.Password = u"secret"_s;
    ctx.connectTimeoutMs = 5000;
    ctx.exchangeTimeoutMs = 30000;
    // These tests read the order in which the service received the confirmations; over several
    // connections at once that order is the network's (the parallel confirmations have their own tests).
    ctx.confermeInParallelo = 1;
}

// The room types the service's reservations use, as the room list download leaves them.
inline void addRooms(const QDir& dir, const QList<std::pair<QString, QString>>& rooms)
{
    Database db(dir, u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Rooms"_s);
    for (const auto& [code, name] : rooms) {
        rs.AddNew();
        rs.setField(u"NumeroHotel"_s, 1);
        rs.setField(u"HotelId"_s, u"1234"_s);
        rs.setField(u"RoomsId"_s, code);
        rs.setField(u"RoomsLevel"_s, 1);
        rs.setField(u"DesRooms"_s, name);
        rs.setField(u"QVRooms"_s, u" "_s);
        rs.Update();
    }
}

// A working directory bootstrapped and pointed at a simulator, with the given room types.
inline void prepare(WorkDir& w, const SimServer& sim, const QList<std::pair<QString, QString>>& rooms)
{
    w.bootstrap();
    useSimulator(w.ctx, sim.baseUrl(), sim.reservationsUrl());
    addRooms(w.dir(), rooms);
}

// The reservation download as the reservations command runs it, without the review that follows.
inline void download(AppContext& ctx)
{
    ServiceClient client(ctx);
    const auto risposte = client.ScaricaPrenotazioni();
    if (!risposte)
        return;
    ReservationImporter importer(ctx, client);
    importer.LeggiPrenotazioni(risposte->nuove);
    importer.LeggiCancellazioni(risposte->cancellazioni);
}

// Every Reservations row of an identifier (normally one), as name -> value.
inline QList<QVariantMap> reservationRows(const QDir& dir, const QString& id)
{
    QList<QVariantMap> rows;
    Database db(dir, u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Reservations"_s);
    const QList<FieldInfo> fields = db.fields(u"Reservations"_s);
    for (bool f = rs.FindFirst(u"NPren = ?"_s, {id}); f; f = rs.FindNext(u"NPren = ?"_s, {id})) {
        QVariantMap row;
        for (const FieldInfo& field : fields)
            row.insert(field.name, rs.Field(field.name));
        rows.append(row);
    }
    return rows;
}

inline QVariantMap reservationRow(const QDir& dir, const QString& id)
{
    const QList<QVariantMap> rows = reservationRows(dir, id);
    return rows.size() == 1 ? rows.first() : QVariantMap();
}

// The price rows of an identifier: "Room|DayDate" -> Price, and how many rows there are in all.
struct PriceRows
{
    QMap<QString, QString> byDay;
    int count = 0;
};

inline PriceRows priceRows(const QDir& dir, const QString& id)
{
    PriceRows out;
    Database db(dir, u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"ReservationsPrice"_s);
    for (bool f = rs.FindFirst(u"NPren = ?"_s, {id}); f; f = rs.FindNext(u"NPren = ?"_s, {id})) {
        out.byDay.insert(rs.Field(u"Room"_s).toString() + u'|' + rs.Field(u"DayDate"_s).toString(),
                         rs.Field(u"Price"_s).toString());
        ++out.count;
    }
    return out;
}

inline int countRows(const QDir& dir, const QString& table)
{
    Database db(dir, u"SimpleBooking.mdb"_s);
    return db.OpenRecordset(table).RecordCount();
}

// The identifiers confirmed to the simulator, in the order its journal received them.
inline QStringList journalConfirmations(const SimServer& sim)
{
    QStringList ids;
    for (const QJsonValue v : sim.journal()) {
        const QJsonObject entry = v.toObject();
        if (entry.value(u"path"_s).toString() != QString::fromUtf16(ServiceClient::ConfirmPath))
            continue;
        const QString xml = entry.value(u"xml"_s).toString();
        const QString marker = u"ResID_Value=\""_s;
        const qsizetype at = xml.indexOf(marker);
        if (at >= 0)
            ids.append(xml.mid(at + marker.size(), xml.indexOf(u'"', at + marker.size()) - at - marker.size()));
    }
    return ids;
}

// A working directory bootstrapped and pointed at its own simulator, with the usual room types.
class SimImportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prepare(w, sim,
                {{u"DBL"_s, u"Camera doppia"_s}, {u"SGL"_s, u"Camera singola"_s}, {u"TRP"_s, u"Camera tripla"_s}});
    }

    void run() { download(w.ctx); }
    QVariantMap row(const QString& id) const { return reservationRow(w.dir(), id); }
    PriceRows prices(const QString& id) const { return priceRows(w.dir(), id); }
    // What the operator was shown (messages) and asked or told along the way (answers), one a line.
    std::string shown() const { return w.op.messageTexts().join(u'\n').toStdString(); }
    std::string notices() const { return w.op.answers.join(u'\n').toStdString(); }

    WorkDir w;
    SimServer sim;
};

} // namespace ImportSupport
