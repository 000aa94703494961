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
// passed over in silence; a missing or unreadable file creates nothing. With soloDatabase, only the
// sections of that database are applied.
void CreaStrutture(const QDir& workDir, const QString& dbtPath, const QString& soloDatabase = {});

// After the bootstrap: empty when the interface database holds its tables, else why the program
// cannot start (the table definitions gave none of them and the database did not exist before).
QString verificaTabelleInterfaccia(const QDir& workDir, const QString& dbtPath);

// Where the table definitions are: the working directory's copy, else the one beside the program.
QString percorsoDefinizioni(const QDir& workDir);

// The program's own table definitions (beside the program); empty when there are none. A hotel's
// data directory may hold an older SBOOK.DBT: the bridge's own tables are then also brought up to
// the program's copy.
QString definizioniProgramma();
