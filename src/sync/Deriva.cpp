#include "sync/Deriva.h"

#include <QMap>
#include <algorithm>

Deriva::Valori Deriva::obiettivo(const Valori& camere, const Detti& limiti)
{
    Valori out = camere;
    for (size_t t = 0; t < out.size() && t < limiti.size(); ++t)
        for (size_t g = 0; g < out[t].size() && g < limiti[t].size(); ++g)
            if (limiti[t][g])
                out[t][g] = std::min(out[t][g], *limiti[t][g]);
    return out;
}

QList<Deriva::Differenza> Deriva::confronta(const Valori& obiettivo, const Detti& detto)
{
    QList<Differenza> rischi;
    QList<Differenza> altre;
    for (size_t t = 0; t < obiettivo.size(); ++t)
        for (size_t g = 0; g < obiettivo[t].size(); ++g) {
            const std::optional<qint64> d = t < detto.size() && g < detto[t].size() ? detto[t][g] : std::nullopt;
            if (d == obiettivo[t][g])
                continue;
            const Differenza diff{int(t), int(g), obiettivo[t][g], d};
            (diff.rischio() ? rischi : altre).append(diff);
        }
    return rischi + altre;
}

QList<QList<Deriva::Differenza>> Deriva::notifiche(const QList<Differenza>& differenze, int periodo)
{
    // confronta() puts the days at risk first: taken in that order, each period keeps it, and the
    // periods are met first through their days at risk.
    QMap<int, int> posizione; // period -> its place in out
    QList<QList<Differenza>> out;
    for (const Differenza& d : differenze) {
        const int p = d.giorno / std::max(periodo, 1);
        auto it = posizione.find(p);
        if (it == posizione.end()) {
            it = posizione.insert(p, int(out.size()));
            out.append(QList<Differenza>());
        }
        out[*it].append(d);
    }
    return out;
}
