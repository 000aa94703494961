#pragma once

#include "store/Database.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

// The rooms the service may sell, per QV bedroom type that a service room type is mapped to and per
// day: QV's free rooms as "Importa da QV" reads them, never more than the type's rooms, less its rooms
// out of service that day and the rooms of web reservations stored but not yet in QV (sold, not yet
// counted). Each QV type goes to one
// service room type, its level-1 one, so two service types never both offer its rooms.
class CamereDaOffrire
{
public:
    struct Tipo
    {
        QString sigla;              // the QV code
        QString roomsId;            // the service room type told about it
        qint64 quantita = 0;        // the type's rooms
        std::vector<qint64> camere; // per day from inizio(): 0 or more
    };

    // Reads QV's files and the interface database. Store errors throw.
    static CamereDaOffrire leggi(const QDir& workDir, const QDate& inizio, int giorni,
                                 Database::Apertura apertura = Database::Apertura::Scrittura);

    const QDate& inizio() const { return m_inizio; }
    int giorni() const { return m_giorni; }
    const std::vector<Tipo>& tipi() const { return m_tipi; }
    // The type of a QV code, whatever its case; nullptr when the code is outside this definition.
    const Tipo* tipo(const QString& sigla) const;
    // The rooms to offer of a QV code on a day; nullopt outside the definition or the period.
    std::optional<qint64> camere(const QString& sigla, const QDate& giorno) const;

private:
    QDate m_inizio;
    int m_giorni = 0;
    std::vector<Tipo> m_tipi;
    QHash<QString, int> m_indice; // lower-case code -> position in m_tipi
};
