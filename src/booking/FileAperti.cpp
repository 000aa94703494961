#include "booking/FileAperti.h"

#include "booking/ScritturaPrenotazione.h"
#include "booking/VerificaCamera.h"
#include "context/AppContext.h"
#include "store/Database.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

FileAperti::FileAperti(AppContext& ctx) : m_ctx(ctx) {}

FileAperti::~FileAperti() = default;

Database& FileAperti::interfaccia()
{
    if (!m_interfaccia)
        m_interfaccia = std::make_unique<Database>(m_ctx.workDir(), ScritturaPrenotazione::fileUnitaDiLavoro().first());
    return *m_interfaccia;
}

Database& FileAperti::lavoro()
{
    Database& db = interfaccia();
    if (!m_collegati) {
        // A file QV does not have (an optional one like Allotments.mdb) is not made up by attaching it.
        const QStringList files = ScritturaPrenotazione::fileUnitaDiLavoro();
        for (qsizetype i = 1; i < files.size(); ++i)
            if (QFileInfo::exists(databaseFile(m_ctx.workDir(), files.at(i))))
                db.attach(files.at(i));
        m_collegati = true;
    }
    return db;
}

Database& FileAperti::numeri()
{
    if (!m_numeri)
        m_numeri = std::make_unique<Database>(m_ctx.workDir(), u"NumeriCamere.mdb"_s);
    return *m_numeri;
}

ControlloCamere& FileAperti::controllo()
{
    if (!m_controllo)
        m_controllo = std::make_unique<ControlloCamere>(m_ctx);
    return *m_controllo;
}
