#pragma once

#include <QDir>
#include <QString>
#include <optional>

// Value n (1-based) of a field line of SBOOK.DBT: the text between the (n-1)-th comma (or the
// start) and the n-th comma, untrimmed. nullopt when the n-th comma is missing: that value cannot
// be taken.
std::optional<QString> Campo(const QString& riga, int n);

// Brings every database the table-definition file lists up to its layout: missing databases,
// tables and fields are created; nothing is removed and no existing field is changed. Errors are
// passed over in silence; a missing or unreadable file creates nothing. With soloDatabase (a stem
// such as "SimpleBooking"), only that database's sections are applied.
void CreaStrutture(const QDir& workDir, const QString& dbtPath, const QString& soloDatabase = {});

// After the bootstrap: empty when the interface database holds its tables, else why the program
// cannot start (the table definitions gave none of them and the database did not exist before).
QString verificaTabelleInterfaccia(const QDir& workDir, const QString& dbtPath);

// The program's own table definitions, for a program in programDir: the copy beside it (a build
// tree), else the installed one in ../share/qv-simplebooking. Empty when there is neither.
QString percorsoDefinizioniProgramma(const QString& programDir);

// Where the table definitions are: the working directory's copy, else the program's (programma,
// when not empty).
QString percorsoDefinizioni(const QDir& workDir, const QString& programma);
