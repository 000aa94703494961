#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class AppContext;
class Database;

// Counts one QV booking in the room rack (Monitor) and the per-type counters (DisponibilitàTipi),
// or uncounts it, with the allotment rows it draws on.
class CalcolaDisponibilita
{
public:
    explicit CalcolaDisponibilita(AppContext& ctx) : m_ctx(ctx) {}

    // The database files counting reads and writes. A caller that counts inside its own unit of
    // work attaches every one of them to its database before it begins (Allotments.mdb may be left
    // out when it does not exist: the hotel then has no allotments).
    static QStringList fileNecessari();

    // Inside the caller's open unit of work (uow in a transaction, fileNecessari() attached):
    // shows nothing. Returns the error text when the booking cannot be counted (dates that fail
    // the checks); the caller rolls back and then tells the operator. Store errors throw StoreError.
    // segno 1 counts the booking, any other value uncounts it.
    std::optional<QString> conta(Database& uow, const QString& operazione, qint32 numeroPrenotazione, qint16 segno);

    // On its own: one unit of work of its own; a failure is shown to the operator
    // ("Errore riscontrato nella Prenotazione n. ...") after that unit of work has ended.
    // False when the booking's dates failed the checks (nothing was counted, the operator was told);
    // true otherwise, also when there was nothing to count (no such booking, operazione not "P").
    bool esegui(const QString& operazione, qint32 numeroPrenotazione, qint16 segno);

private:
    AppContext& m_ctx;
};
