#pragma once

#include <QDir>
#include <QString>

// Which directory the bridge takes for a hotel. Only a QV data directory becomes one: started
// anywhere else, the table definitions installed with the program would make an empty QV there,
// the download would store the hotel's real reservations in it and confirm them, and the service
// would never send them again.
namespace CartellaDati {

// Whether dir holds its own SBOOK.DBT or one of QV's own databases (names compared without regard
// to case, as QV's file system does).
bool cartellaQV(const QDir& dir);

// Empty when the bridge may start in dir; else the message that refuses the start. init ("--init")
// makes a new hotel in any directory, on purpose.
QString rifiuto(const QDir& dir, bool init);

// The desktop's choice of a data directory: empty when scelta can be taken, else why not. The home
// directory is never one, whatever it holds.
QString rifiutoScelta(const QString& scelta, const QString& home, bool init);

} // namespace CartellaDati
