#pragma once

#include "store/Database.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

// A dynaset over a table or a SELECT: finds walk the rows as they are in the database now, in
// the recordset's order; fields are read and written by name. No statement stays open between
// calls, so another recordset or another process sees every change at once.
class Recordset
{
public:
    Recordset(Database& db, const QString& source, const QVariantList& params);
    Recordset(Recordset&&) = default;
    Recordset& operator=(Recordset&&) = delete;

    // Criteria hold field names, operators and values, as literals or as "?" placeholders that
    // take the values given, in order.
    bool FindFirst(const QString& criteria, const QVariantList& values = {});
    bool FindNext(const QString& criteria, const QVariantList& values = {});
    bool NoMatch() const { return m_noMatch; }

    QVariant Field(const QString& name) const;
    QVariant operator[](const QString& name) const { return Field(name); }
    // The value is converted as the field's type asks: a text for a number field is read the
    // Italian way ("1.234,50" is 1234.5), and a text that is no number there is an error.
    void setField(const QString& name, const QVariant& value);

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    void Requery();
    int RecordCount();

    qint64 lastInsertedRowId() const { return m_lastInserted; }

    static QVariant convert(const FieldInfo& field, const QVariant& value);

private:
    enum class Mode { None, Edit, AddNew };

    bool find(const QString& criteria, const QVariantList& values, bool fromCurrent);
    int columnOf(const QString& name) const;
    const FieldInfo& fieldOf(const QString& name) const;
    void requireCurrent() const;
    void requireUpdatable() const;
    // "rowid = ? AND every field as read": a row another process changed or deleted meanwhile
    // (or a new row that took its row id) is never written over.
    QString sameRow(QVariantList& params) const;

    Database& m_db;
    std::shared_ptr<const Database::TableRef> m_table; // null when the source cannot be updated
    QString m_inner;
    QVariantList m_innerParams;
    QList<SelectStatement::OrderTerm> m_order;

    QStringList m_columns; // of the current row, without the row id
    QHash<QString, int> m_columnIndex;
    bool m_hasCurrent = false;  // a row to read and change
    bool m_hasPosition = false; // a place to go on from: the current row, or the one just deleted
    qint64 m_rowId = 0;
    QVector<QVariant> m_row;     // the row as this recordset last wrote or read it
    QVariantList m_positionKeys; // the order fields as the row was found: its place in the recordset
    // Rows whose order fields this loop changed: they keep the place they had (already passed),
    // instead of turning up again further on.
    QList<qint64> m_movedInLoop;
    bool m_noMatch = true;

    Mode m_mode = Mode::None;
    QHash<int, QVariant> m_buffer; // field position in the table -> new value
    qint64 m_lastInserted = 0;
};
