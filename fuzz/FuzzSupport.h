#pragma once

// What every fuzz target shares: a Qt application, a scratch working directory on a memory file system
// with the databases made from the table definitions, a clock that stands still and an operator who
// answers every question in turn Yes and No.

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace FuzzSupport {

using namespace Qt::StringLiterals;

class Operatore final : public OperatorPort
{
public:
    Answer messageBox(const Message& message) override
    {
        if (message.buttons == Buttons::Ok)
            return Answer::Ok;
        m_si = !m_si;
        return m_si ? Answer::Yes : Answer::No;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString& defaultText) override
    {
        return defaultText;
    }
    void setRequestText(const QString&) override {}
    void setAnswerText(const QString&) override {}
    void setCaption(const QString&) override {}

private:
    bool m_si = false;
};

// A property the code must keep; a breach is a finding like a crash.
inline void richiede(bool condizione, const char* cosa)
{
    if (!condizione) {
        std::fprintf(stderr, "property broken: %s\n", cosa);
        std::abort();
    }
}

struct Scratch
{
    Scratch()
        : tmp(QFileInfo::exists(u"/dev/shm"_s) ? u"/dev/shm/sbfuzz-XXXXXX"_s
                                               : QDir::temp().filePath(u"sbfuzz-XXXXXX"_s)),
          clock(QDateTime(QDate(2026, 5, 4), QTime(14, 7, 9))), ctx(tmp.path(), clock, op)
    {
        // A name the store cannot place under the working directory (a criterion's "In ':x'" is taken for
        // a resource path, which counts as absolute) lands in the current one: make that the scratch too.
        QDir::setCurrent(tmp.path());
        CreaStrutture(QDir(tmp.path()), QString::fromUtf8(SB_DBT_PATH));
        // No copies of the exchanges: a file where the folder would be, so none is ever written.
        QFile blocco(QDir(tmp.path()).filePath(u"SimpleBooking"_s));
        blocco.open(QIODevice::WriteOnly);
        // Confirmations go nowhere, and fast.
        ctx.baseUrl = u"http://127.0.0.1:1"_s;
        ctx.connectTimeoutMs = 200;
        ctx.exchangeTimeoutMs = 500;
        ctx.settings.CodiceHotel = u"1234"_s;
        Database db(dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Rooms"_s);
        for (const QString& code : {u"DBL"_s, u"SGL"_s, u"TRP"_s}) {
            rs.AddNew();
            rs.setField(u"NumeroHotel"_s, 1);
            rs.setField(u"HotelId"_s, u"1234"_s);
            rs.setField(u"RoomsId"_s, code);
            rs.setField(u"RoomsLevel"_s, 1);
            rs.setField(u"DesRooms"_s, u"Camera "_s + code);
            rs.setField(u"QVRooms"_s, code);
            rs.Update();
        }
    }

    QDir dir() const { return QDir(tmp.path()); }

    // Empties the tables an input may have filled, so every input starts from the same store.
    void svuota(const QStringList& tabelle)
    {
        Database db(dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        for (const QString& t : tabelle)
            q.exec(u"DELETE FROM "_s + t);
    }

    QTemporaryDir tmp;
    FixedClock clock;
    Operatore op;
    AppContext ctx;
};

inline Scratch& scratch()
{
    static int argc = 1;
    static char name[] = "sbfuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Scratch s;
    return s;
}

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace FuzzSupport

// The scratch store is made before the first input, so its making never counts as an input's time.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::scratch();
    return 0;
}
