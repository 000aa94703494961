#pragma once

#include "service/ServiceClient.h"
#include "sync/Deriva.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

class Database;

// The bridge's own rows in SimpleBooking.mdb that keep the service in step with QV: what the service
// was told (DisponibilitaInviata), the operator's limits (LimitiDisponibilita), the last outcome of
// each kind of exchange and the timer's heartbeat (StatoScambi), and who publishes (Incarichi).
// Writers take the caller's open unit of work; store errors throw.
namespace ArchivioSync {

// The kinds of exchange whose outcome is kept, and the timer's heartbeat.
inline constexpr const char16_t* Prenotazioni = u"Prenotazioni";
inline constexpr const char16_t* Conferme = u"Conferme";
inline constexpr const char16_t* Disponibilita = u"Disponibilita";
inline constexpr const char16_t* Timer = u"Timer";
// The first tick this data directory's timer ever made: what "no exchange for 24 hours" counts from
// on a hotel that never exchanged anything.
inline constexpr const char16_t* PrimoBattito = u"PrimoBattito";
// The last tick that published (with "--publish" or line 13): its success time.
inline constexpr const char16_t* Pubblicazione = u"Pubblicazione";

QString istante(const QDateTime& t);       // "yyyy-MM-ddTHH:mm:ss"
QDateTime leggiIstante(const QVariant& v); // invalid when Null or not such a text

// What the service was last told, per service room type (in the order given) and day.
Deriva::Detti detti(Database& sb, const QStringList& roomsIds, const QDate& inizio, int giorni);
// A notification the service accepted: its values become what it was told.
void registraDetti(Database& uow, const QList<ServiceClient::Avviso>& avvisi, const QDateTime& quando);

// The operator's limits per QV code (in the order given) and day.
Deriva::Detti limiti(Database& sb, const QStringList& sigle, const QDate& inizio, int giorni);
// Sets (or, with nullopt, clears) a QV code's limit on a day.
void registraLimite(Database& uow, const QString& sigla, const QDate& giorno, std::optional<qint64> limite);

struct Scambio
{
    QDateTime riuscito; // invalid: never
    QDateTime fallito;  // invalid: never
    QString errore;     // of the last failure
    // A failure newer than the last success.
    bool inErrore() const { return fallito.isValid() && (!riuscito.isValid() || fallito > riuscito); }
};
Scambio scambio(Database& sb, const QString& nome);
void segnaScambio(Database& uow, const QString& nome, bool riuscito, const QDateTime& quando,
                  const QString& errore = {});

// Since when each web reservation waiting for QV has been seen waiting, by NPren. The timer keeps it
// at every tick: a new waiting one from now, one no longer waiting dropped.
QHash<QString, QDateTime> inAttesaDal(Database& sb);
void aggiornaAttese(Database& uow, const QDateTime& ora);
// The reason last told for each waiting web reservation, by NPren; and the reasons a review told,
// stored in one unit of work of their own (a reservation not yet seen waiting is waiting from ora).
QHash<QString, QString> motiviAttesa(Database& sb);
void registraMotivi(Database& sb, const QHash<QString, QString>& motivi, const QDateTime& ora);
// The web reservations stored but not yet in QV, not cancelled: NPren and the day of the booking.
QList<QPair<QString, QString>> inAttesa(Database& sb);

// What one bridge has seen of another's publishing lease: who held it, the counter the holder
// advances at every renewal, and over how many of this bridge's own ticks both stayed the same.
struct VistaIncarico
{
    QString titolare;
    qint64 battito = -1;
    qint64 ciclo = -1; // this bridge's tick of the last look
    int invariato = 0;
};

// The right to publish for a data directory, its own unit of work. Taken, or renewed with its counter
// advanced, when nobody holds it, `titolare` does, or the holder's counter has stayed the same over
// `cicli` ticks (`ciclo` counts this bridge's own). No workstation's clock is compared with another's:
// one that runs ahead cannot take it from a live holder, one that stopped is replaced in `cicli` ticks.
bool prendiIncarico(Database& sb, const QString& titolare, qint64 ciclo, int cicli, VistaIncarico& vista);
void lasciaIncarico(Database& sb, const QString& titolare);

} // namespace ArchivioSync
