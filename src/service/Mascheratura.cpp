#include "service/Mascheratura.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString mascheraPassword(const QString& richiesta)
{
    // The attribute's value in either quotes, wherever it stands in the element's start tag.
    static const QRegularExpression pwd(uR"((<(?:provider|XMLHotelAgent)\b[^>]*?\sPwd\s*=\s*)(?:"[^"]*"|'[^']*'))"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    QString out = richiesta;
    return out.replace(pwd, uR"(\1"********")"_s);
}
