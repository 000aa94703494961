#include "store/Recordset.h"

#include "store/StoreError.h"
#include "store/ValueCleaning.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kRowId = u"__rowid"_s;
const QString kChangedMeanwhile =
    u"Impossibile aggiornare: il record è stato modificato o eliminato da un altro utente."_s;

[[noreturn]] void typeMismatch(const FieldInfo& field, const QVariant& value)
{
    throw StoreError(StoreError::TypeMismatch, u"Tipo di dati non corrispondente: il valore '"_s + value.toString() +
                                                   u"' non è valido per il campo '"_s + field.name + u"'."_s);
}

double numberOf(const FieldInfo& field, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        break;
    }
    if (auto n = ItalianNumber::parse(value.toString()))
        return *n;
    typeMismatch(field, value);
}

} // namespace

QVariant Recordset::convert(const FieldInfo& field, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    auto integer = [&](double lo, double hi) -> QVariant {
        const double n = std::nearbyint(numberOf(field, value)); // halves go to the even number
        if (!std::isfinite(n) || n < lo || n > hi)
            throw StoreError(StoreError::NumericOverflow,
                             u"Overflow numerico per il campo '"_s + field.name + u"': "_s + value.toString());
        return QVariant(qlonglong(n));
    };
    switch (field.kind) {
    case FieldKind::YesNo:
        return QVariant(qlonglong(numberOf(field, value) != 0 ? -1 : 0));
    case FieldKind::Byte:
        return integer(0, 255);
    case FieldKind::Integer:
        return integer(-32768, 32767);
    case FieldKind::Long:
        return integer(-2147483648.0, 2147483647.0);
    case FieldKind::Currency: {
        const double n = numberOf(field, value);
        if (!std::isfinite(n))
            typeMismatch(field, value);
        return QVariant(std::round(n * 10000.0) / 10000.0);
    }
    case FieldKind::Single:
    case FieldKind::Double: {
        const double n = numberOf(field, value);
        if (!std::isfinite(n))
            typeMismatch(field, value);
        return QVariant(n);
    }
    case FieldKind::DateTime:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(Qt::ISODate);
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().toString(Qt::ISODate);
        return value.toString();
    case FieldKind::Blob:
        return value.toByteArray();
    case FieldKind::Text:
    case FieldKind::Memo:
        break;
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return ItalianNumber::toText(value.toDouble());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? u"Vero"_s : u"Falso"_s;
    return bindable(value.toString());
}

Recordset::Recordset(Database& db, const QString& source, const QVariantList& params) : m_db(db)
{
    if (!SqlTranslator::isSelect(source)) {
        m_table = db.table(source.trimmed());
        m_inner = u"SELECT rowid AS "_s + kRowId + u", * FROM "_s + m_table->sql;
        return;
    }
    const SelectStatement& st = db.select(source);
    m_table = db.table(st.table, st.sourceFile);
    QStringList cols;
    for (const QString& c : st.columns)
        cols.append(SqlTranslator::quoteName(c));
    const bool grouped = !st.groupBy.isEmpty();
    m_inner = u"SELECT "_s + (grouped ? u"min(rowid)"_s : u"rowid"_s) + u" AS "_s + kRowId + u", "_s +
              (cols.isEmpty() ? u"*"_s : cols.join(u", "_s)) + u" FROM "_s + m_table->sql;
    if (!st.where.sql.isEmpty()) {
        m_inner += u" WHERE "_s + st.where.sql;
        m_innerParams = st.where.bind(params);
    }
    if (grouped) {
        QStringList group;
        for (const QString& g : st.groupBy)
            group.append(SqlTranslator::quoteName(g));
        m_inner += u" GROUP BY "_s + group.join(u", "_s);
        m_table.reset(); // a grouped row stands for several rows: it cannot be changed
    }
    m_order = st.orderBy;
    // Grouped rows come back sorted by the group, as the engine hands them.
    if (m_order.isEmpty())
        for (const QString& g : st.groupBy)
            m_order.append({g, false});
}

bool Recordset::FindFirst(const QString& criteria, const QVariantList& values)
{
    return find(criteria, values, false);
}

bool Recordset::FindNext(const QString& criteria, const QVariantList& values)
{
    return find(criteria, values, m_hasPosition);
}

bool Recordset::find(const QString& criteria, const QVariantList& values, bool fromCurrent)
{
    m_mode = Mode::None;
    m_buffer.clear();
    QString sql = u"SELECT * FROM ("_s + m_inner + u") AS src WHERE "_s;
    QVariantList params = m_innerParams;
    if (criteria.trimmed().isEmpty()) {
        sql += u"1"_s;
    } else {
        const SqlFragment crit = m_db.criteria(criteria);
        sql += u'(' + crit.sql + u')';
        params += crit.bind(values);
    }
    QStringList orderSql;
    for (const auto& term : m_order)
        orderSql.append(SqlTranslator::quoteName(term.column) + (term.descending ? u" DESC"_s : QString()));
    orderSql.append(kRowId);

    if (fromCurrent) {
        // The rows after the current one in the recordset's order: (a > x) or (a = x and b > y) ...
        QStringList alternatives;
        QString equalSoFar;
        QVariantList equalParams;
        auto keyTerms = m_order;
        keyTerms.append({kRowId, false});
        for (qsizetype t = 0; t < keyTerms.size(); ++t) {
            const auto& term = keyTerms.at(t);
            const QString col = term.column == kRowId ? kRowId : SqlTranslator::quoteName(term.column);
            const QVariant current = bindable(term.column == kRowId ? QVariant(m_rowId) : m_positionKeys.at(t));
            QString after;
            QVariantList afterParams;
            if (current.isNull()) {
                after = term.descending ? u"0"_s : col + u" IS NOT NULL"_s;
            } else {
                after = term.descending ? u"("_s + col + u" < ? OR "_s + col + u" IS NULL)"_s : col + u" > ?"_s;
                afterParams.append(current);
            }
            alternatives.append(u'(' + equalSoFar + (equalSoFar.isEmpty() ? QString() : u" AND "_s) + after + u')');
            for (const QVariant& p : equalParams)
                params.append(p);
            params += afterParams;
            if (current.isNull()) {
                equalSoFar += (equalSoFar.isEmpty() ? QString() : u" AND "_s) + col + u" IS NULL"_s;
            } else {
                equalSoFar += (equalSoFar.isEmpty() ? QString() : u" AND "_s) + col + u" = ?"_s;
                equalParams.append(current);
            }
        }
        sql += u" AND ("_s + alternatives.join(u" OR "_s) + u')';
        if (!m_movedInLoop.isEmpty()) {
            sql +=
                u" AND "_s + kRowId + u" NOT IN ("_s + QStringList(m_movedInLoop.size(), u"?"_s).join(u", "_s) + u')';
            for (qint64 id : m_movedInLoop)
                params.append(id);
        }
    } else {
        m_movedInLoop.clear();
    }
    sql += u" ORDER BY "_s + orderSql.join(u", "_s) + u" LIMIT 1"_s;

    QSqlQuery& q = m_db.run(sql, params);
    if (!q.next()) {
        q.finish();
        m_noMatch = true;
        return false;
    }
    const QSqlRecord rec = q.record();
    if (m_columns.isEmpty()) {
        for (int i = 1; i < rec.count(); ++i) {
            m_columns.append(rec.fieldName(i));
            m_columnIndex.insert(rec.fieldName(i).toLower(), i - 1);
        }
    }
    m_row.resize(rec.count() - 1);
    for (int i = 1; i < rec.count(); ++i)
        m_row[i - 1] = q.value(i);
    m_rowId = q.value(0).toLongLong();
    q.finish();
    m_positionKeys.clear();
    for (const auto& term : m_order)
        m_positionKeys.append(m_row.at(columnOf(term.column)));
    m_hasCurrent = true;
    m_hasPosition = true;
    m_noMatch = false;
    return true;
}

int Recordset::columnOf(const QString& name) const
{
    const auto it = m_columnIndex.constFind(name.toLower());
    if (it == m_columnIndex.cend())
        throw StoreError(StoreError::ItemNotFound, u"Elemento '"_s + name + u"' non trovato nell'insieme."_s);
    return *it;
}

void Recordset::requireUpdatable() const
{
    if (!m_table)
        throw StoreError(StoreError::NotUpdatable, u"Impossibile aggiornare. Database od oggetto di sola lettura."_s);
}

const FieldInfo& Recordset::fieldOf(const QString& name) const
{
    requireUpdatable();
    const auto it = m_table->index.constFind(name.toLower());
    if (it == m_table->index.cend())
        throw StoreError(StoreError::ItemNotFound, u"Elemento '"_s + name + u"' non trovato nell'insieme."_s);
    return m_table->fields.at(*it);
}

void Recordset::requireCurrent() const
{
    if (!m_hasCurrent)
        throw StoreError(StoreError::NoCurrentRecord, u"Nessun record corrente."_s);
}

QVariant Recordset::Field(const QString& name) const
{
    if (m_mode != Mode::None && m_table) {
        const auto it = m_table->index.constFind(name.toLower());
        if (it != m_table->index.cend()) {
            if (auto b = m_buffer.constFind(*it); b != m_buffer.cend())
                return *b;
            if (m_mode == Mode::AddNew)
                return QVariant();
        }
    }
    requireCurrent();
    return m_row.at(columnOf(name));
}

void Recordset::setField(const QString& name, const QVariant& value)
{
    if (m_mode == Mode::None)
        throw StoreError(3020, u"Update o CancelUpdate senza AddNew o Edit."_s);
    const FieldInfo& field = fieldOf(name);
    m_buffer.insert(int(m_table->index.value(name.toLower())), convert(field, value));
}

void Recordset::AddNew()
{
    requireUpdatable();
    m_mode = Mode::AddNew;
    m_buffer.clear();
}

void Recordset::Edit()
{
    requireCurrent();
    requireUpdatable();
    m_mode = Mode::Edit;
    m_buffer.clear();
}

void Recordset::CancelUpdate()
{
    m_mode = Mode::None;
    m_buffer.clear();
}

void Recordset::Update()
{
    if (m_mode == Mode::None)
        throw StoreError(3020, u"Update o CancelUpdate senza AddNew o Edit."_s);
    QStringList names;
    QVariantList values;
    for (auto it = m_buffer.cbegin(); it != m_buffer.cend(); ++it) {
        names.append(SqlTranslator::quoteName(m_table->fields.at(it.key()).name));
        values.append(it.value());
    }
    if (m_mode == Mode::AddNew) {
        QString sql = u"INSERT INTO "_s + m_table->sql;
        if (names.isEmpty())
            sql += u" DEFAULT VALUES"_s;
        else
            sql += u" ("_s + names.join(u", "_s) + u") VALUES ("_s + QStringList(names.size(), u"?"_s).join(u", "_s) +
                   u')';
        QSqlQuery& q = m_db.run(sql, values);
        m_lastInserted = q.lastInsertId().toLongLong();
        q.finish();
    } else if (!names.isEmpty()) {
        for (QString& n : names)
            n += u" = ?"_s;
        const QString where = sameRow(values);
        QSqlQuery& q =
            m_db.run(u"UPDATE "_s + m_table->sql + u" SET "_s + names.join(u", "_s) + u" WHERE "_s + where, values);
        const int cambiate = q.numRowsAffected();
        q.finish();
        if (cambiate != 1)
            throw StoreError(StoreError::ChangedMeanwhile, kChangedMeanwhile);
        for (auto it = m_buffer.cbegin(); it != m_buffer.cend(); ++it) {
            const QString name = m_table->fields.at(it.key()).name;
            const auto col = m_columnIndex.constFind(name.toLower());
            if (col != m_columnIndex.cend())
                m_row[*col] = it.value();
            const bool orderField = std::any_of(m_order.cbegin(), m_order.cend(), [&](const auto& term) {
                return term.column.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (orderField && !m_movedInLoop.contains(m_rowId))
                m_movedInLoop.append(m_rowId);
        }
    }
    m_mode = Mode::None;
    m_buffer.clear();
}

void Recordset::Delete()
{
    requireCurrent();
    requireUpdatable();
    QVariantList params;
    const QString where = sameRow(params);
    QSqlQuery& q = m_db.run(u"DELETE FROM "_s + m_table->sql + u" WHERE "_s + where, params);
    const int cancellate = q.numRowsAffected();
    q.finish();
    if (cancellate != 1)
        throw StoreError(StoreError::ChangedMeanwhile, kChangedMeanwhile);
    m_hasCurrent = false; // FindNext still goes on from here
}

QString Recordset::sameRow(QVariantList& params) const
{
    QString where = u"rowid = ?"_s;
    params.append(m_rowId);
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (!m_table->index.contains(m_columns.at(i).toLower()))
            continue;
        where += u" AND "_s + SqlTranslator::quoteName(m_columns.at(i)) + u" IS ?"_s;
        params.append(bindable(m_row.at(i)));
    }
    return where;
}

void Recordset::Requery()
{
    m_hasCurrent = false;
    m_hasPosition = false;
    m_noMatch = true;
    m_mode = Mode::None;
    m_buffer.clear();
}

int Recordset::RecordCount()
{
    QSqlQuery& q = m_db.run(u"SELECT count(*) FROM ("_s + m_inner + u')', m_innerParams);
    const int n = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return n;
}
