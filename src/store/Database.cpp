#include "store/Database.h"

#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// SQLite's primary result codes the messages tell apart.
constexpr int kBusy = 5;
constexpr int kLocked = 6;
constexpr int kIoErr = 10;
constexpr int kFull = 13;

QString stemOf(const QString& fileName)
{
    QString stem = QFileInfo(fileName).completeBaseName();
    for (QChar& c : stem)
        if (!c.isLetterOrNumber() || c.unicode() > 127)
            c = u'_';
    return u"f_"_s + stem.toLower();
}

// Whether another connection holds the file: for a write (scrittura: it holds a write lock), or
// even for a read (it is committing). Asked without waiting, on a connection of its own.
bool occupato(const QString& path, bool scrittura)
{
    if (!QFileInfo::exists(path))
        return false;
    static std::atomic<quint64> contatore{0};
    const QString nome = u"sbprobe-"_s + QString::number(++contatore);
    bool esito = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, nome);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=0"_s);
        if (db.open()) {
            QSqlQuery q(db);
            if (scrittura) {
                esito = !q.exec(u"BEGIN IMMEDIATE"_s);
                if (!esito)
                    q.exec(u"ROLLBACK"_s);
            } else {
                esito = !q.exec(u"SELECT count(*) FROM sqlite_master"_s);
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nome);
    return esito;
}

// SQLite makes a new database file rw-r--r-- whatever the umask, and its journals copy that: QV's
// workstations, which share the files through the group, could not write a database the bridge made.
// An empty file is an empty database; made here, it is the owner's and the group's like every other file
// the bridge makes.
void creaFileNuovo(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) // another process may just have made it: fine
        f.setPermissions(TextFile::PermessiFile);
}

} // namespace

QString databaseFile(const QDir& workDir, const QString& fileName)
{
    const QString onDisk = TextFile::resolve(workDir, fileName);
    if (QFileInfo::exists(workDir.filePath(onDisk)))
        return workDir.filePath(onDisk);
    QString name = fileName;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name = name.left(dot) + name.mid(dot).toLower();
    return workDir.filePath(name);
}

Database::Database(const QDir& workDir, const QString& fileName, Apertura apertura)
    : m_workDir(workDir), m_path(databaseFile(workDir, fileName)),
      m_connection(u"sbstore-"_s + QString::number(quintptr(this), 16)),
      m_translator([this](const QString& t, const QString& f) { return table(t, f)->sql; })
{
    const bool lettura = apertura == Apertura::SolaLettura;
    // Opened for reading, a missing file is not made.
    if (lettura && !QFileInfo::exists(m_path))
        throw StoreError(StoreError::Engine, u"Il database "_s + m_path + u" non esiste."_s);
    if (!lettura)
        creaFileNuovo(m_path);
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(m_path);
    // Other processes (QV, a second bridge) may hold the file for a moment: wait, don't fail.
    m_db.setConnectOptions(lettura ? u"QSQLITE_BUSY_TIMEOUT=2000;QSQLITE_OPEN_READONLY"_s
                                   : u"QSQLITE_BUSY_TIMEOUT=20000"_s);
    if (!m_db.open()) {
        const QString text = m_db.lastError().text();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw StoreError(StoreError::Engine, u"Impossibile aprire il database "_s + m_path + u": "_s + text);
    }
    if (lettura)
        return;
    QSqlQuery q(m_db);
    // Atomic commits across attached files need the rollback journal.
    q.exec(u"PRAGMA journal_mode=DELETE"_s);
    q.finish();
}

Database::~Database()
{
    m_statements.clear(); // statements go before their connection
    if (m_inTransaction) {
        QSqlQuery q(m_db);
        q.exec(u"ROLLBACK"_s);
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlQuery Database::query()
{
    return QSqlQuery(m_db);
}

bool Database::bloccato(const QDir& workDir, const QString& fileName)
{
    return occupato(databaseFile(workDir, fileName), true);
}

void Database::fail(const QSqlError& error) const
{
    const QString testo = error.text().trimmed();
    const int codice = error.nativeErrorCode().toInt() & 0xff; // the primary result code
    QStringList files{m_path};
    files += m_attachedPaths;
    QStringList nomi;
    for (const QString& f : std::as_const(files))
        nomi << QFileInfo(f).fileName();

    if (codice == kBusy || codice == kLocked || testo.contains(u"locked"_s, Qt::CaseInsensitive)) {
        // The engine does not say which of the unit of work's files is held: ask each. Inside a
        // transaction this connection holds them for writing itself, so only a commit in progress
        // elsewhere can be seen; otherwise a write lock of another program is seen too.
        QStringList presi;
        for (const QString& f : std::as_const(files))
            if (occupato(f, !m_inTransaction))
                presi << QFileInfo(f).fileName();
        const QString chi =
            presi.isEmpty()
                ? u"un altro programma o un'altra postazione di QV sta usando uno dei file "_s + nomi.join(u", "_s)
                : (presi.size() == 1 ? u"il file "_s : u"i file "_s) + presi.join(u", "_s) +
                      (presi.size() == 1 ? u" è bloccato"_s : u" sono bloccati"_s) +
                      u" da un altro programma o da un'altra postazione di QV"_s;
        throw StoreError(StoreError::Engine, testo + u" ("_s + chi + u')');
    }
    if (codice == kFull || codice == kIoErr || testo.isEmpty() || testo.contains(u"Unknown error"_s))
        if (const auto pieno = TextFile::discoPieno(QFileInfo(m_path).absolutePath(), 0, codice == kFull))
            throw StoreError(StoreError::Engine,
                             *pieno + u": "_s +
                                 (nomi.size() == 1 ? nomi.first() + u" non è stato aggiornato"_s
                                                   : u"i "_s + QString::number(nomi.size()) +
                                                         u" file dell'operazione non sono stati aggiornati"_s) +
                                 u" ("_s + testo + u')');
    throw StoreError(StoreError::Engine, testo + u" ("_s + QFileInfo(m_path).fileName() + u')');
}

void Database::exec(QSqlQuery& q, const QString& sql, const QVariantList& params)
{
    if (!q.prepare(sql))
        fail(q.lastError());
    for (const QVariant& v : params)
        q.addBindValue(v);
    if (!q.exec())
        fail(q.lastError());
}

QSqlQuery& Database::run(const QString& sql, const QVariantList& params)
{
    // A bound on what the cache holds: texts that differ by their values (a list of row ids) would
    // otherwise grow it without end.
    constexpr qsizetype kStatementsMassimi = 256;
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        if (m_statements.size() >= kStatementsMassimi)
            m_statements.clear();
        auto q = std::make_shared<QSqlQuery>(m_db);
        q->setForwardOnly(true);
        if (!q->prepare(sql))
            fail(q->lastError());
        it = m_statements.insert(sql, std::move(q));
    }
    QSqlQuery& q = **it;
    for (qsizetype i = 0; i < params.size(); ++i)
        q.bindValue(int(i), params.at(i));
    if (!q.exec()) {
        const QSqlError errore = q.lastError();
        q.finish();
        fail(errore);
    }
    return q;
}

QString Database::schemaFor(const QString& fileName)
{
    if (fileName.isEmpty())
        return u"main"_s;
    const QString file = databaseFile(m_workDir, fileName);
    if (QFileInfo(file) == QFileInfo(m_path))
        return u"main"_s;
    const QString key = QFileInfo(file).fileName().toLower();
    if (auto it = m_attached.constFind(key); it != m_attached.cend())
        return *it;
    const QString schema = stemOf(file);
    creaFileNuovo(file);
    QSqlQuery q(m_db);
    m_attachedPaths << file; // a lock met while attaching names this file too
    try {
        exec(q, u"ATTACH DATABASE ? AS "_s + SqlTranslator::quoteName(schema), {file});
    } catch (const StoreError&) {
        m_attachedPaths.removeLast();
        throw;
    }
    m_attached.insert(key, schema);
    return schema;
}

void Database::attach(const QString& fileName)
{
    schemaFor(fileName);
}

std::shared_ptr<const Database::TableRef> Database::table(const QString& name, const QString& file)
{
    const QString key = name.toLower();
    if (auto it = m_tables.constFind(key); it != m_tables.cend())
        return *it;
    if (!file.isEmpty())
        schemaFor(file);
    QStringList schemas{u"main"_s};
    schemas += m_attached.values();
    for (const QString& schema : schemas) {
        QSqlQuery q(m_db);
        exec(q,
             u"SELECT name FROM "_s + SqlTranslator::quoteName(schema) +
                 u".sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE"_s,
             {name});
        if (!q.next())
            continue;
        auto made = std::make_shared<TableRef>();
        TableRef& ref = *made;
        ref.schema = schema;
        ref.name = q.value(0).toString();
        q.finish();
        ref.sql = SqlTranslator::quoteName(schema) + u'.' + SqlTranslator::quoteName(ref.name);
        QSqlQuery info(m_db);
        exec(info,
             u"PRAGMA "_s + SqlTranslator::quoteName(schema) + u".table_info("_s + SqlTranslator::quoteName(ref.name) +
                 u')',
             {});
        while (info.next()) {
            FieldInfo f;
            f.name = info.value(1).toString();
            const QString type = info.value(2).toString();
            f.kind = kindOf(type);
            const qsizetype open = type.indexOf(u'(');
            if (open >= 0) {
                const qsizetype close = type.indexOf(u')', open);
                f.size = QStringView(type).mid(open + 1, close - open - 1).toInt();
            }
            ref.index.insert(f.name.toLower(), int(ref.fields.size()));
            ref.fields.append(f);
        }
        m_tables.insert(key, made);
        return made;
    }
    throw StoreError(StoreError::ItemNotFound,
                     u"Impossibile trovare la tabella '"_s + name + u"' in "_s + QFileInfo(m_path).fileName() + u'.');
}

SqlFragment Database::criteria(const QString& text)
{
    if (auto it = m_criteria.constFind(text); it != m_criteria.cend())
        return *it;
    return *m_criteria.insert(text, m_translator.criteria(text));
}

const SelectStatement& Database::select(const QString& text)
{
    if (auto it = m_selects.constFind(text); it != m_selects.cend())
        return *it;
    return *m_selects.insert(text, m_translator.select(text));
}

Recordset Database::OpenRecordset(const QString& source, const QVariantList& params)
{
    return Recordset(*this, source, params);
}

void Database::begin()
{
    // A unit of work whose rollback failed would hold a connection kept for many units of work (a
    // review) for good: it is given up before the next one begins.
    if (std::exchange(m_annullaPrima, false))
        try {
            run(u"ROLLBACK"_s, {}).finish();
        } catch (const StoreError&) {
            // None was left open after all.
        }
    run(u"BEGIN IMMEDIATE"_s, {}).finish();
    m_inTransaction = true;
}

void Database::commit()
{
    run(u"COMMIT"_s, {}).finish();
    m_inTransaction = false;
}

void Database::rollback()
{
    m_inTransaction = false;
    try {
        run(u"ROLLBACK"_s, {}).finish();
    } catch (const StoreError&) {
        m_annullaPrima = true;
        throw;
    }
}

namespace {

// One name for every part: a nested one takes it again, and the engine reaches the innermost.
const QString kSavepoint = u"sb_parte"_s;

} // namespace

Database::Savepoint::Savepoint(Database& db) : m_db(db)
{
    m_db.run(u"SAVEPOINT "_s + kSavepoint, {}).finish();
}

Database::Savepoint::~Savepoint()
{
    if (!m_done)
        try {
            rollback();
        } catch (...) {
        }
}

void Database::Savepoint::release()
{
    m_db.run(u"RELEASE "_s + kSavepoint, {}).finish();
    m_done = true;
}

void Database::Savepoint::rollback()
{
    m_done = true;
    m_db.run(u"ROLLBACK TO "_s + kSavepoint, {}).finish();
    m_db.run(u"RELEASE "_s + kSavepoint, {}).finish();
}

bool Database::hasTable(const QString& tableName)
{
    try {
        table(tableName);
        return true;
    } catch (const StoreError&) {
        return false;
    }
}

QList<FieldInfo> Database::fields(const QString& tableName)
{
    return table(tableName)->fields;
}

QString Database::declaredType(const FieldInfo& f)
{
    switch (f.kind) {
    case FieldKind::YesNo:
        return u"YESNO INTEGER"_s;
    case FieldKind::Byte:
        return u"BYTE INTEGER"_s;
    case FieldKind::Integer:
        return u"SHORT INTEGER"_s;
    case FieldKind::Long:
        return u"LONG INTEGER"_s;
    case FieldKind::Currency:
        return u"CURRENCY REAL"_s;
    case FieldKind::Single:
        return u"SINGLE REAL"_s;
    case FieldKind::Double:
        return u"DOUBLE REAL"_s;
    case FieldKind::DateTime:
        return u"DATETIME"_s;
    case FieldKind::Blob:
        return u"OLE BLOB"_s;
    case FieldKind::Memo:
        return u"MEMO TEXT COLLATE NOCASE"_s;
    case FieldKind::Text:
        break;
    }
    return u"TEXT("_s + QString::number(f.size) + u") COLLATE NOCASE"_s;
}

FieldKind Database::kindOf(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.startsWith(u"YESNO") || t.startsWith(u"BIT") || t.startsWith(u"BOOL"))
        return FieldKind::YesNo;
    if (t.startsWith(u"BYTE"))
        return FieldKind::Byte;
    if (t.startsWith(u"SHORT") || t.startsWith(u"SMALLINT"))
        return FieldKind::Integer;
    if (t.contains(u"INT"))
        return FieldKind::Long;
    if (t.startsWith(u"CURRENCY") || t.startsWith(u"MONEY") || t.startsWith(u"NUMERIC") || t.startsWith(u"DECIMAL"))
        return FieldKind::Currency;
    if (t.startsWith(u"SINGLE"))
        return FieldKind::Single;
    if (t.contains(u"REAL") || t.contains(u"DOUB") || t.contains(u"FLOA"))
        return FieldKind::Double;
    if (t.startsWith(u"DATE"))
        return FieldKind::DateTime;
    if (t.contains(u"BLOB") || t.startsWith(u"OLE"))
        return FieldKind::Blob;
    if (t.startsWith(u"MEMO"))
        return FieldKind::Memo;
    return FieldKind::Text;
}

void Database::createTable(const QString& tableName, const FieldInfo& first)
{
    QSqlQuery q(m_db);
    exec(q,
         u"CREATE TABLE "_s + SqlTranslator::quoteName(tableName) + u" ("_s + SqlTranslator::quoteName(first.name) +
             u' ' + declaredType(first) + u')',
         {});
    m_tables.remove(tableName.toLower());
}

void Database::appendField(const QString& tableName, const FieldInfo& field)
{
    const auto ref = table(tableName);
    if (ref->index.contains(field.name.toLower()))
        throw StoreError(3191, u"Impossibile definire il campo '"_s + field.name + u"' più di una volta."_s);
    const QString sql = u"ALTER TABLE "_s + ref->sql + u" ADD COLUMN "_s + SqlTranslator::quoteName(field.name) + u' ' +
                        declaredType(field);
    m_tables.remove(tableName.toLower());
    QSqlQuery q(m_db);
    exec(q, sql, {});
}

void Database::ensureIndex(const QString& tableName, const QStringList& fieldNames)
{
    const auto ref = table(tableName);
    QStringList cols;
    QString name = u"sb_"_s + ref->name;
    for (const QString& f : fieldNames) {
        if (!ref->index.contains(f.toLower()))
            return;
        cols.append(SqlTranslator::quoteName(f));
        name += u'_' + f;
    }
    QSqlQuery q(m_db);
    exec(q,
         u"CREATE INDEX IF NOT EXISTS "_s + SqlTranslator::quoteName(ref->schema) + u'.' +
             SqlTranslator::quoteName(name) + u" ON "_s + SqlTranslator::quoteName(ref->name) + u" ("_s +
             cols.join(u", "_s) + u')',
         {});
}
