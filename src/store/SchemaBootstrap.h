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
// passed over in silence; a missing or unreadable file creates nothing.
void CreaStrutture(const QDir& workDir, const QString& dbtPath, const QString& soloDatabase = {});

// After the definitions the start-up applied (dbtPath), those of the bridge's own database from the
// copy beside the program: a hotel's older SBOOK.DBT lacks the bridge's newer tables and fields.
// Only adds.
void CreaStruttureInterfaccia(const QDir& workDir, const QString& dbtPath);
// The table definitions beside the program; empty when there are none.
QString definizioniDelProgramma();

// After the bootstrap: empty when the interface database holds its tables, else why the program
// cannot start (the table definitions gave none of them and the database did not exist before).
QString verificaTabelleInterfaccia(const QDir& workDir, const QString& dbtPath);

// Where the table definitions are: the working directory's copy, else the one beside the program.
QString percorsoDefinizioni(const QDir& workDir);
