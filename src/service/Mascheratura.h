#pragma once

#include <QString>

// A request as the operator may see it: the values of the Pwd attributes of <provider> and
// <XMLHotelAgent> replaced by "********". What is sent to the service is never masked.
QString mascheraPassword(const QString& richiesta);
