#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

class Database;

// The copies of the exchanges the bridge saves under SimpleBooking/, the names it gives them, and the
// record of what was done to them (the table ArchivioCopie of SimpleBooking.mdb), which the status
// report reads instead of the folder.
namespace CopieScambi {

// The prefixes of the copies that pile up, one per exchange: prefix + yyyyMMddHHmmss [+ "-n"] + ".xml".
inline constexpr const char16_t* Prenotazioni = u"Prenotazioni";
inline constexpr const char16_t* Cancellazioni = u"Cancellazioni";
inline constexpr const char16_t* Conferma = u"Conferma";
inline constexpr const char16_t* AggDispo = u"AggDispo";

// When a copy was written, from the stamp in its name; nullopt for a name the bridge does not give
// its copies (a file someone else put there, a ".failed" file), whose age is never guessed.
std::optional<QDateTime> scritta(const QString& nome);

// The copies that hold only the last exchange of their kind: in the working directory, and in
// SimpleBooking/.
QStringList ultimiNellaCartella();
QStringList ultimiInSimpleBooking();

// The record's table in SimpleBooking.mdb.
inline constexpr const char16_t* Tabella = u"ArchivioCopie";

// Masks a saved file in place (see mascheraCopia), replacing it whole or not at all.
enum class Maschera { Invariata, Mascherata, Errore };
Maschera mascheraFile(const QString& path, QString* errore = nullptr);

// What the last retention run and the one look at the copies already on disk left.
struct Stato
{
    QDateTime pulizia;     // the last retention run; invalid: never
    int giorni = 0;        // the days it kept (0: for ever)
    int rimosse = 0;       // copies it removed
    int tenute = 0;        // copies left after it
    QDateTime piuVecchia;  // the oldest of them; invalid: none
    QDateTime revisione;   // when the copies already on disk were masked; invalid: not yet
    int mascherate = 0;    // how many of them held card data or passwords
    int nonMascherate = 0; // how many could not be rewritten
};
// nullopt when SimpleBooking.mdb has no such record yet.
std::optional<Stato> leggi(Database& sb);
// Writers take the caller's open unit of work.
void registraPulizia(Database& uow, const Stato& s);
void registraRevisione(Database& uow, const Stato& s);

} // namespace CopieScambi
