#include "store/SqlTranslator.h"

#include "store/StoreError.h"

using namespace Qt::StringLiterals;

namespace {

enum class Tok { Ident, String, Number, Param, Op, LParen, RParen, Comma, Semicolon, Star, End };

struct Token
{
    Tok kind;
    QString text;
    qsizetype at;
};

[[noreturn]] void syntaxError(const QString& text, const QString& detail)
{
    throw StoreError(StoreError::SyntaxError,
                     u"Errore di sintassi ("_s + detail + u") nell'espressione '"_s + text + u"'."_s);
}

QList<Token> tokenize(const QString& s)
{
    QList<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (c.isLetter() || c == u'_') {
            while (i < n && (s.at(i).isLetterOrNumber() || s.at(i) == u'_' || s.at(i) == u'.'))
                ++i;
            out.append({Tok::Ident, s.mid(start, i - start), start});
        } else if (c == u'[') {
            const qsizetype close = s.indexOf(u']', i);
            if (close < 0)
                syntaxError(s, u"parentesi quadra non chiusa"_s);
            out.append({Tok::Ident, s.mid(i + 1, close - i - 1), start});
            i = close + 1;
        } else if (c.isDigit()) {
            while (i < n && (s.at(i).isDigit() || s.at(i) == u'.'))
                ++i;
            out.append({Tok::Number, s.mid(start, i - start), start});
        } else if (c == u'\'' || c == u'"') {
            QString value = u""_s; // '' is an empty text, not Null
            ++i;
            for (;;) {
                if (i >= n)
                    syntaxError(s, u"testo non chiuso"_s);
                if (s.at(i) == c) {
                    if (i + 1 < n && s.at(i + 1) == c) { // a doubled quote stands for itself
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s.at(i++);
            }
            out.append({Tok::String, value, start});
        } else if (c == u'?') {
            out.append({Tok::Param, u"?"_s, start});
            ++i;
        } else if (c == u'(') {
            out.append({Tok::LParen, u"("_s, start});
            ++i;
        } else if (c == u')') {
            out.append({Tok::RParen, u")"_s, start});
            ++i;
        } else if (c == u',') {
            out.append({Tok::Comma, u","_s, start});
            ++i;
        } else if (c == u';') {
            out.append({Tok::Semicolon, u";"_s, start});
            ++i;
        } else if (c == u'*') {
            out.append({Tok::Star, u"*"_s, start});
            ++i;
        } else if (c == u'<' || c == u'>' || c == u'!') {
            if (i + 1 < n && (s.at(i + 1) == u'=' || (c == u'<' && s.at(i + 1) == u'>'))) {
                out.append({Tok::Op, s.mid(i, 2), start});
                i += 2;
            } else if (c != u'!') {
                out.append({Tok::Op, QString(c), start});
                ++i;
            } else {
                syntaxError(s, u"carattere '!'"_s);
            }
        } else if (c == u'=' || c == u'&' || c == u'+' || c == u'-' || c == u'/') {
            out.append({Tok::Op, QString(c), start});
            ++i;
        } else {
            syntaxError(s, u"carattere '"_s + c + u"'"_s);
        }
    }
    out.append({Tok::End, QString(), n});
    return out;
}

class Parser
{
public:
    Parser(const QString& text, const SqlTranslator::TableResolver& resolver)
        : m_text(text), m_tokens(tokenize(text)), m_resolver(resolver)
    {
    }

    SqlFragment criteria()
    {
        SqlFragment out;
        m_out = &out;
        out.sql = expression();
        expectEnd();
        out.placeholders = m_placeholders;
        return out;
    }

    SelectStatement select()
    {
        SelectStatement st;
        SqlFragment where;
        m_out = &where;
        expectKeyword(u"select");
        if (peek().kind == Tok::Star) {
            next();
        } else {
            do
                st.columns.append(identifier());
            while (acceptComma());
        }
        expectKeyword(u"from");
        st.table = identifier();
        if (acceptKeyword(u"in"))
            st.sourceFile = expect(Tok::String).text;
        if (acceptKeyword(u"where"))
            where.sql = expression();
        if (acceptKeyword(u"group")) {
            expectKeyword(u"by");
            do
                st.groupBy.append(identifier());
            while (acceptComma());
        }
        if (acceptKeyword(u"order")) {
            expectKeyword(u"by");
            do {
                SelectStatement::OrderTerm term{identifier(), false};
                if (acceptKeyword(u"desc"))
                    term.descending = true;
                else
                    acceptKeyword(u"asc");
                st.orderBy.append(term);
            } while (acceptComma());
        }
        if (peek().kind == Tok::Semicolon)
            next();
        expectEnd();
        where.placeholders = m_placeholders;
        st.where = where;
        return st;
    }

private:
    const Token& peek() const { return m_tokens.at(m_pos); }
    const Token& next() { return m_tokens.at(m_pos++); }

    bool isKeyword(const Token& t, QStringView word) const
    {
        return t.kind == Tok::Ident && t.text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(QStringView word)
    {
        if (!isKeyword(peek(), word))
            return false;
        ++m_pos;
        return true;
    }
    void expectKeyword(QStringView word)
    {
        if (!acceptKeyword(word))
            syntaxError(m_text, word.toString() + u" mancante"_s);
    }
    bool acceptComma()
    {
        if (peek().kind != Tok::Comma)
            return false;
        ++m_pos;
        return true;
    }
    const Token& expect(Tok kind)
    {
        if (peek().kind != kind)
            syntaxError(m_text, u"'"_s + peek().text + u"' inatteso"_s);
        return next();
    }
    void expectEnd()
    {
        if (peek().kind != Tok::End)
            syntaxError(m_text, u"'"_s + peek().text + u"' inatteso"_s);
    }
    QString identifier()
    {
        const Token& t = expect(Tok::Ident);
        return t.text;
    }

    QString literal(const QVariant& value)
    {
        m_out->params.append({value, -1});
        return u"?"_s;
    }

    QString expression()
    {
        QString left = conjunction();
        while (acceptKeyword(u"or"))
            left = left + u" OR "_s + conjunction();
        return left;
    }

    QString conjunction()
    {
        QString left = negation();
        while (acceptKeyword(u"and"))
            left = left + u" AND "_s + negation();
        return left;
    }

    QString negation()
    {
        if (acceptKeyword(u"not"))
            return u"NOT "_s + negation();
        return comparison();
    }

    QString comparison()
    {
        if (isKeyword(peek(), u"strcomp") && m_tokens.at(m_pos + 1).kind == Tok::LParen)
            return exactComparison();
        bool leftIsCall = false;
        QString left = sum(&leftIsCall);
        if (peek().kind == Tok::Op &&
            (peek().text == u"=" || peek().text == u"<>" || peek().text == u"<" || peek().text == u">" ||
             peek().text == u"<=" || peek().text == u">=" || peek().text == u"!=")) {
            QString op = next().text;
            if (op == u"!=")
                op = u"<>"_s;
            bool rightIsCall = false;
            QString right = sum(&rightIsCall);
            // A function result has no collation of its own; text compares without regard to case.
            if (leftIsCall)
                left += u" COLLATE NOCASE"_s;
            else if (rightIsCall)
                right += u" COLLATE NOCASE"_s;
            return left + u' ' + op + u' ' + right;
        }
        if (isKeyword(peek(), u"is")) {
            next();
            const bool negated = acceptKeyword(u"not");
            expectKeyword(u"null");
            return left + (negated ? u" IS NOT NULL"_s : u" IS NULL"_s);
        }
        bool negated = false;
        if (isKeyword(peek(), u"not") && isKeyword(m_tokens.at(m_pos + 1), u"in")) {
            next();
            negated = true;
        }
        if (acceptKeyword(u"in")) {
            expect(Tok::LParen);
            QString list;
            if (isKeyword(peek(), u"select")) {
                list = subSelect();
            } else {
                do {
                    if (!list.isEmpty())
                        list += u", "_s;
                    list += sum(nullptr);
                } while (acceptComma());
            }
            expect(Tok::RParen);
            return left + (negated ? u" NOT IN ("_s : u" IN ("_s) + list + u')';
        }
        if (acceptKeyword(u"like"))
            return left + u" LIKE "_s + sum(nullptr);
        return left;
    }

    // StrComp(a, b, 0) = 0 (or <> 0): Jet's binary comparison, for keys whose case counts where text
    // otherwise compares without regard to case. The equality tests the folded values first, so that
    // an index on the field finds the candidates, and then the exact ones.
    QString exactComparison()
    {
        next();
        expect(Tok::LParen);
        const qsizetype firstParam = m_out->params.size();
        const QString a = sum(nullptr);
        expect(Tok::Comma);
        const QString b = sum(nullptr);
        const qsizetype endParams = m_out->params.size();
        expect(Tok::Comma);
        const QString mode = expect(Tok::Number).text;
        expect(Tok::RParen);
        const QString op = expect(Tok::Op).text;
        const QString zero = expect(Tok::Number).text;
        if (mode != u"0" || zero != u"0" || (op != u"=" && op != u"<>" && op != u"!="))
            syntaxError(m_text, u"StrComp si confronta solo come StrComp(a, b, 0) = 0 oppure <> 0"_s);
        if (op != u"=")
            return a + u" <> "_s + b + u" COLLATE BINARY"_s;
        m_out->params.append(m_out->params.mid(firstParam, endParams - firstParam));
        return u'(' + a + u" = "_s + b + u" AND "_s + a + u" = "_s + b + u" COLLATE BINARY)"_s;
    }

    QString subSelect()
    {
        expectKeyword(u"select");
        QStringList cols;
        if (peek().kind == Tok::Star) {
            next();
            cols.append(u"*"_s);
        } else {
            do
                cols.append(SqlTranslator::quoteName(identifier()));
            while (acceptComma());
        }
        expectKeyword(u"from");
        const QString table = identifier();
        QString file;
        if (acceptKeyword(u"in"))
            file = expect(Tok::String).text;
        QString sql = u"SELECT "_s + cols.join(u", "_s) + u" FROM "_s + m_resolver(table, file);
        if (acceptKeyword(u"where"))
            sql += u" WHERE "_s + expression();
        if (acceptKeyword(u"group")) {
            expectKeyword(u"by");
            QStringList group;
            do
                group.append(SqlTranslator::quoteName(identifier()));
            while (acceptComma());
            sql += u" GROUP BY "_s + group.join(u", "_s);
        }
        return sql;
    }

    QString sum(bool* isCall)
    {
        QString left = term(isCall);
        while ((peek().kind == Tok::Op &&
                (peek().text == u"+" || peek().text == u"-" || peek().text == u"&" || peek().text == u"/")) ||
               peek().kind == Tok::Star) {
            const QString op = next().text;
            left = left + (op == u"&" ? u" || "_s : u' ' + op + u' ') + term(nullptr);
            if (isCall)
                *isCall = true;
        }
        return left;
    }

    QString term(bool* isCall)
    {
        const Token t = next();
        switch (t.kind) {
        case Tok::String:
            return literal(t.text);
        case Tok::Number:
            if (t.text.contains(u'.'))
                return literal(t.text.toDouble());
            return literal(t.text.toLongLong());
        case Tok::Param:
            m_out->params.append({QVariant(), m_placeholders++});
            return u"?"_s;
        case Tok::LParen: {
            QString inner = expression();
            expect(Tok::RParen);
            return u'(' + inner + u')';
        }
        case Tok::Op:
            if (t.text == u"-")
                return u"-"_s + term(isCall);
            break;
        case Tok::Ident:
            if (peek().kind == Tok::LParen) {
                if (isCall)
                    *isCall = true;
                return call(t.text);
            }
            if (t.text.compare(u"null", Qt::CaseInsensitive) == 0)
                return u"NULL"_s;
            if (t.text.compare(u"true", Qt::CaseInsensitive) == 0)
                return u"-1"_s;
            if (t.text.compare(u"false", Qt::CaseInsensitive) == 0)
                return u"0"_s;
            // A qualified name (Table.Field) names a field of the one table in use.
            return SqlTranslator::quoteName(t.text.section(u'.', -1));
        default:
            break;
        }
        syntaxError(m_text, u"'"_s + t.text + u"' inatteso"_s);
    }

    QString call(const QString& name)
    {
        expect(Tok::LParen);
        QStringList args;
        if (peek().kind != Tok::RParen) {
            do
                args.append(sum(nullptr));
            while (acceptComma());
        }
        expect(Tok::RParen);
        const QString f = name.toLower();
        auto need = [&](qsizetype count) {
            if (args.size() != count)
                syntaxError(m_text, u"argomenti di "_s + name);
        };
        if (f == u"left") {
            need(2);
            return u"substr("_s + args[0] + u", 1, "_s + args[1] + u')';
        }
        if (f == u"right") {
            need(2);
            return u"substr("_s + args[0] + u", -("_s + args[1] + u"))"_s;
        }
        if (f == u"mid") {
            if (args.size() == 2)
                return u"substr("_s + args[0] + u", "_s + args[1] + u')';
            need(3);
            return u"substr("_s + args[0] + u", "_s + args[1] + u", "_s + args[2] + u')';
        }
        if (f == u"trim" || f == u"ltrim" || f == u"rtrim") {
            need(1);
            return f + u"("_s + args[0] + u", ' ')"_s;
        }
        if (f == u"len") {
            need(1);
            return u"length("_s + args[0] + u')';
        }
        if (f == u"ucase" || f == u"lcase") {
            need(1);
            return (f == u"ucase" ? u"upper("_s : u"lower("_s) + args[0] + u')';
        }
        syntaxError(m_text, u"funzione "_s + name + u" sconosciuta"_s);
    }

    const QString& m_text;
    QList<Token> m_tokens;
    qsizetype m_pos = 0;
    const SqlTranslator::TableResolver& m_resolver;
    SqlFragment* m_out = nullptr;
    int m_placeholders = 0;
};

} // namespace

QVariant bindable(const QVariant& value)
{
    // An empty QString that was never assigned is still an empty text; only a null variant is Null.
    if (!value.isNull() && value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(u""_s);
    return value;
}

QVariantList SqlFragment::bind(const QVariantList& values) const
{
    if (values.size() < placeholders)
        throw StoreError(StoreError::SyntaxError, u"Parametri insufficienti per l'espressione '"_s + sql + u"'."_s);
    QVariantList out;
    out.reserve(params.size());
    for (const Param& p : params)
        out.append(bindable(p.placeholder >= 0 ? values.at(p.placeholder) : p.literal));
    return out;
}

SqlFragment SqlTranslator::criteria(const QString& text) const
{
    return Parser(text, m_resolver).criteria();
}

SelectStatement SqlTranslator::select(const QString& text) const
{
    return Parser(text, m_resolver).select();
}

bool SqlTranslator::isSelect(const QString& text)
{
    return text.trimmed().startsWith(u"select"_s, Qt::CaseInsensitive) &&
           (text.trimmed().size() == 6 || text.trimmed().at(6).isSpace());
}

QString SqlTranslator::quoteName(const QString& name)
{
    // Brackets, not double quotes: SQLite takes an unknown double-quoted name for a text, so a
    // misspelt field would silently compare as a constant instead of failing.
    if (!name.contains(u']'))
        return u'[' + name + u']';
    QString out = name;
    out.replace(u'"', u"\"\""_s);
    return u'"' + out + u'"';
}
