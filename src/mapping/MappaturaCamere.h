#pragma once

#include "mapping/Mappatura.h"

#include <optional>

// The room type mapping behind "Rooms assignment": the service's room types of the chosen hotel,
// each bound to a QV room type at a level from 1 to 10, added, changed and removed.
class MappaturaCamere final : public Mappatura
{
public:
    explicit MappaturaCamere(AppContext& ctx) : Mappatura(ctx) {}

    // Reads the hotels and the QV room types of kind "C" or "A". False (told) on a store error.
    bool apri();

    // Combo2(1): Sigla left-aligned in 6, a blank, Descrizione.
    const QList<Voce>& tipiQV() const { return m_tipiQV; }
    // Combo2(0): "1" to "10".
    static QStringList livelli();

    // A room line: RoomsId right-aligned in 10, DesRooms in 20, the level in 2, QVRooms in 6,
    // separated by blanks.
    static QString riga(const QString& id, const QString& descrizione, int livello, const QString& qv);

    // What choosing a line shows: the id, the description, the level, and the QV type's item in
    // tipiQV() (the last that matches), or nullopt to leave Combo2(1) as it is.
    struct Scelta
    {
        QString id;
        QString descrizione;
        int livello = 1;
        std::optional<int> tipoQV;
    };
    std::optional<Scelta> scegliRiga(int indice) const;

    // "&Save": adds the row of the chosen hotel with this id and level, or changes it. tipoQV is the
    // item of tipiQV() (-1: none, the row stays unmapped). False when refused or failed (told).
    bool salva(const QString& id, const QString& descrizione, int livello, int tipoQV);
    // "&Remove": deletes the row of the chosen hotel with this id and level, when there is one.
    bool rimuovi(const QString& id, int livello);

private:
    struct Riga
    {
        QString id;
        QString descrizione;
        int livello = 0;
        QString qv;
    };
    void leggiRighe(Database& db) override;

    QList<Voce> m_tipiQV;
    QList<Riga> m_dati;
};
