#pragma once

#include "store/Database.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// QV's free rooms per room type and day, as its counters say: a type without a counter row for a
// month has all its rooms free that month. "Importa da QV" and the rooms the service is offered
// read them here.
namespace CamereLibere {

// The rooms of each bedroom type ("C") of the hotel, under the type's lower-case code.
QHash<QString, qint64> quantita(const QDir& workDir, Database::Apertura apertura = Database::Apertura::Scrittura);

// For each code, its free rooms on each of `giorni` days from `inizio`. A code QV does not know
// has none. Store errors throw.
std::vector<std::vector<qint64>> leggi(const QDir& workDir, const QStringList& sigle,
                                       const QHash<QString, qint64>& quantita, const QDate& inizio, int giorni,
                                       Database::Apertura apertura = Database::Apertura::Scrittura);

// For each lower-case room type, how many of its rooms are out of service (Camere_Inagibili: from
// DataInizio to DataFine, both included) on each of `giorni` days from `inizio`. Types with none are
// left out; so is everything when QV has no such table. Store errors throw.
QHash<QString, std::vector<qint64>> fuoriServizio(const QDir& workDir, const QDate& inizio, int giorni,
                                                  Database::Apertura apertura = Database::Apertura::Scrittura);

} // namespace CamereLibere
