#pragma once

#include <QList>
#include <optional>
#include <vector>

// The comparison of every tick: per service room type and day, what the service should offer
// (the rooms to offer, never above the operator's limit) against what it was last told.
namespace Deriva {

struct Differenza
{
    int tipo = 0;
    int giorno = 0;              // days from the first day compared
    qint64 valore = 0;           // what the service should offer
    std::optional<qint64> detto; // what it was last told; nullopt: never told
    // The service offers rooms that are not there.
    bool rischio() const { return detto && *detto > valore; }
};

using Valori = std::vector<std::vector<qint64>>;               // [type][day]
using Detti = std::vector<std::vector<std::optional<qint64>>>; // [type][day]

// min(rooms to offer, limit) of each type and day; a limit of nullopt is no limit.
Valori obiettivo(const Valori& camere, const Detti& limiti);

// The days that differ and those never told; those at risk of an oversale first, each group in
// type and day order. Shorter rows of detto read as never told.
QList<Differenza> confronta(const Valori& obiettivo, const Detti& detto);

// The differences split into notifications, one per period of `periodo` days: those holding a
// day at risk first, each with its days at risk first.
QList<QList<Differenza>> notifiche(const QList<Differenza>& differenze, int periodo);

} // namespace Deriva
