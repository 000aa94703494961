#pragma once

#include <QString>
#include <gmock/gmock.h>

// A QString that holds the given text.
MATCHER_P(Contiene, testo, "contains \"" + QString(testo).toStdString() + "\"")
{
    return QString(arg).contains(QString(testo));
}
