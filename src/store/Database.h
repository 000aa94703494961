#pragma once

#include "store/SqlTranslator.h"

#include <QDir>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

class Recordset;
class QSqlError;
class QSqlQuery;

// What a field holds, from the type code the table definition gave it.
enum class FieldKind { YesNo, Byte, Integer, Long, Currency, Single, Double, DateTime, Text, Blob, Memo };

struct FieldInfo
{
    QString name;
    FieldKind kind = FieldKind::Text;
    int size = 0;
};

// One database file of the working directory ("SimpleBooking.mdb", "Scheda_Prenotazione.mdb"),
// opened for one operation and closed at its end. Other files can be attached so that one unit
// of work spans several of them and commits atomically. Several processes may use the same files.
class Database
{
public:
    // Reading only: a monitor that looks at the files must never change them nor wait long for them.
    enum class Apertura { Scrittura, SolaLettura };
    Database(const QDir& workDir, const QString& fileName, Apertura apertura = Apertura::Scrittura);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return m_path; }

    // Makes the tables of another file of the working directory reachable from this database.
    void attach(const QString& fileName);

    // A dynaset on a table name or on a SELECT text (values as "?" placeholders or literals).
    Recordset OpenRecordset(const QString& source, const QVariantList& params = {});

    // Unit of work: everything between begin and commit, on this file and the attached ones,
    // is stored whole or not at all.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    class Transaction
    {
    public:
        explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
        ~Transaction()
        {
            if (!m_done)
                try {
                    m_db.rollback();
                } catch (...) {
                }
        }
        void commit()
        {
            m_db.commit();
            m_done = true;
        }

    private:
        Database& m_db;
        bool m_done = false;
    };

    // A part of the open unit of work that can be undone alone, the rest kept: released into the
    // unit of work, or rolled back to where it began (also when it ends neither).
    class Savepoint
    {
    public:
        explicit Savepoint(Database& db);
        ~Savepoint();
        Savepoint(const Savepoint&) = delete;
        Savepoint& operator=(const Savepoint&) = delete;
        void release();
        // Throws when the engine has given up the whole unit of work (a full disk, an I/O error).
        void rollback();

    private:
        Database& m_db;
        bool m_done = false;
    };

    // Schema, for the bootstrap.
    bool hasTable(const QString& table);
    QList<FieldInfo> fields(const QString& table);
    void createTable(const QString& table, const FieldInfo& first);
    void appendField(const QString& table, const FieldInfo& field); // throws when it exists
    // A non-unique index over the fields, created when missing (all the fields must exist).
    void ensureIndex(const QString& table, const QStringList& fields);
    static QString declaredType(const FieldInfo& field);
    static FieldKind kindOf(const QString& declaredType);

    // For recordsets.
    struct TableRef
    {
        QString schema;
        QString name;
        QString sql; // "schema"."name"
        QList<FieldInfo> fields;
        QHash<QString, int> index; // lower-case field name -> position
    };
    std::shared_ptr<const TableRef> table(const QString& name, const QString& file = {});
    SqlFragment criteria(const QString& text);
    // A SELECT text translated once per database: a search over many rooms or days opens the same
    // query again and again.
    const SelectStatement& select(const QString& text);
    const SqlTranslator& translator() const { return m_translator; }
    void exec(QSqlQuery& query, const QString& sql, const QVariantList& params);
    QSqlQuery query();
    // The statement of sql, compiled once for the life of this database and run with the values:
    // searches and updates repeated row after row are not parsed again each time. The caller reads
    // what it needs and then calls finish(), so that no statement holds the file between two calls.
    QSqlQuery& run(const QString& sql, const QVariantList& params);

    // Whether another program or workstation holds the file for writing right now (asked without
    // waiting).
    static bool bloccato(const QDir& workDir, const QString& fileName);

private:
    QString schemaFor(const QString& fileName);
    // Throws the engine's error, naming the file that is locked or the disk that is full.
    [[noreturn]] void fail(const QSqlError& error) const;

    QDir m_workDir;
    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    QHash<QString, QString> m_attached; // lower-case resolved file name -> schema
    QStringList m_attachedPaths;
    QHash<QString, std::shared_ptr<const TableRef>> m_tables; // lower-case table name -> table
    QHash<QString, SqlFragment> m_criteria;
    QHash<QString, SelectStatement> m_selects;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements; // sql -> prepared statement
    SqlTranslator m_translator;
    bool m_inTransaction = false;
    bool m_annullaPrima = false; // a rollback failed: the next begin rolls back first
};

// The file a database name stands for in the working directory: an existing file whose name
// differs only in case is the same database; a new one is written with a lower-case ".mdb".
QString databaseFile(const QDir& workDir, const QString& fileName);
