#pragma once

#include <QString>
#include <stdexcept>

// The one error the record store raises: an engine error number and the engine's text.
class StoreError : public std::runtime_error
{
public:
    StoreError(int number, const QString& text) : std::runtime_error(text.toStdString()), m_number(number), m_text(text)
    {
    }
    int number() const { return m_number; }
    const QString& text() const { return m_text; }

    // Error numbers the bridge tells apart.
    static constexpr int ItemNotFound = 3265;
    static constexpr int NoCurrentRecord = 3021;
    static constexpr int TypeMismatch = 3421;
    static constexpr int NumericOverflow = 3349;
    static constexpr int SyntaxError = 3075;
    static constexpr int NotUpdatable = 3027;
    static constexpr int Engine = 3049;
    static constexpr int ChangedMeanwhile = 3197;

private:
    int m_number;
    QString m_text;
};
