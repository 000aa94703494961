#include "support/WorkDir.h"

#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"

#include <QFile>

using namespace Qt::StringLiterals;

WorkDir::WorkDir(const QDateTime& now) : clock(now), ctx(tmp.path(), clock, op) {}

void WorkDir::bootstrap()
{
    QFile::copy(QString::fromUtf8(SB_DBT_PATH), file(u"SBOOK.DBT"_s));
    CreaStrutture(dir(), file(u"SBOOK.DBT"_s));
}

void WorkDir::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void WorkDir::insert(const QString& database, const QString& table, const QVariantMap& fields) const
{
    Database db(dir(), database);
    Recordset rs = db.OpenRecordset(table);
    rs.AddNew();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        rs.setField(it.key(), it.value());
    rs.Update();
}
