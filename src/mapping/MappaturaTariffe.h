#pragma once

#include "mapping/Mappatura.h"

#include <optional>

// The rate mapping behind "Rates assignment": the service's rate plans of the chosen hotel, each
// bound to a QV arrangement and a charge item of department "ARR". One rate plan has one row.
class MappaturaTariffe final : public Mappatura
{
public:
    explicit MappaturaTariffe(AppContext& ctx) : Mappatura(ctx) {}

    // Reads the hotels, the arrangement names and the charge items. False (told) on a store error.
    bool apri();

    // Combo2(0): Sigla left-aligned in 6, a blank, Descrizione.
    const QList<Voce>& arrangiamenti() const { return m_arrangiamenti; }
    // Combo2(1): Codice right-aligned in 6, a blank, Descrizione.
    const QList<Voce>& vociFattura() const { return m_voci; }

    // A rate line: RatesId left-aligned in 10, DesRates in 20, QVRates in 6, RateCode in 6,
    // separated by blanks.
    static QString riga(const QString& id, const QString& descrizione, const QString& qv, qint64 codice);

    // What choosing a line shows; an item index is nullopt where the combo keeps what it shows.
    struct Scelta
    {
        QString id;
        QString descrizione;
        std::optional<int> arrangiamento;
        std::optional<int> voce;
    };
    std::optional<Scelta> scegliRiga(int indice) const;

    // "&Save": adds the row of the chosen hotel with this id, or changes it. -1 for a combo with
    // nothing chosen (no arrangement, charge item 0). False when refused or failed (told).
    bool salva(const QString& id, const QString& descrizione, int arrangiamento, int voce);

private:
    struct Riga
    {
        QString id;
        QString descrizione;
        QString qv;
        qint64 codice = 0;
    };
    void leggiRighe(Database& db) override;

    QList<Voce> m_arrangiamenti;
    QList<Voce> m_voci;
    QList<Riga> m_dati;
};
