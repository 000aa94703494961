#pragma once

#include <QString>
#include <QVariant>
#include <functional>

// Turns the criteria and SELECT texts the bridge uses (Jet syntax: =, <>, <, >, >=, and, or, not,
// parentheses, quoted text, numbers, left(field, n), In (...), In (Select ... In 'file.mdb'),
// GROUP BY, ORDER BY) into SQLite text. Every value, whether written as a literal or as a "?"
// placeholder, leaves as a bound parameter: a value can never become SQL.
// A value as it is bound: an empty text stays an empty text.
QVariant bindable(const QVariant& value);

struct SqlFragment
{
    QString sql;
    // One entry per parameter in the sql text: either a literal taken from the criteria or the
    // index of a caller's "?" value.
    struct Param
    {
        QVariant literal;
        int placeholder = -1;
    };
    QList<Param> params;
    int placeholders = 0;

    QVariantList bind(const QVariantList& values) const;
};

struct SelectStatement
{
    QString table;       // as written
    QString sourceFile;  // "In 'file'" on the main table, empty otherwise
    QStringList columns; // empty for "*"
    SqlFragment where;   // empty sql when there is none
    QStringList groupBy;
    struct OrderTerm
    {
        QString column;
        bool descending = false;
    };
    QList<OrderTerm> orderBy;
};

class SqlTranslator
{
public:
    // Gives the quoted SQLite name of a table, given its name and the file of an "In 'file'"
    // clause (empty when absent). Throws StoreError when there is no such table.
    using TableResolver = std::function<QString(const QString& table, const QString& file)>;

    explicit SqlTranslator(TableResolver resolver) : m_resolver(std::move(resolver)) {}

    SqlFragment criteria(const QString& text) const;
    SelectStatement select(const QString& text) const;
    static bool isSelect(const QString& text);
    static QString quoteName(const QString& name);

private:
    TableResolver m_resolver;
};
