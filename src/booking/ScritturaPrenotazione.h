#pragma once

#include "booking/CamereRichieste.h"
#include "import/VersionePrenotazione.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <utility>

class AppContext;
class Database;
class FileAperti;
class MotiviAttesa;
class Recordset;

// Writes a stored web reservation into QV as a booking (sheet, room rows, nightly arrangement
// rows, counted in the rack and the per-type counters), and cancels the QV booking of a cancelled
// web reservation.
//
// Each operation is one unit of work across every file it touches, the reservation's Registrata
// included: a booking lands whole or not at all, and a cancellation is applied once. Messages come
// after the unit of work has ended, the workstation signal files after the commit.
class ScritturaPrenotazione
{
public:
    enum class Esito {
        Registrata,     // a new booking was written; the reservation is handled
        Modificata,     // the booking was already in QV: only reported; the reservation is handled
        Annullata,      // the QV booking was cancelled; the reservation is handled
        NonTrovata,     // a cancellation found no QV booking; the reservation is handled
        Segnata,        // marked handled without writing anything to QV
        GiaGestita,     // another workstation handled the reservation meanwhile: nothing done
        Cancellata,     // the reservation was cancelled meanwhile: nothing done, the operator was told;
                        // it is left to the cancellation flow
        CameraOccupata, // a chosen room is not free (taken meanwhile, typed, or chosen twice): nothing
                        // written, nothing said
        InAttesa,       // nothing written; the operator was told why; the reservation still waits
        Cambiata,       // the reservation changed since it was read (a modification stored meanwhile):
                        // nothing written, nothing said; it is to be reviewed again with its new values
    };

    struct Risultato
    {
        Esito esito = Esito::InAttesa;
        qint32 numero = 0; // the QV booking
        QString camera;    // CameraOccupata: the room
        int riga = 0;      // CameraOccupata: its line of the room table (1..10)
    };

    explicit ScritturaPrenotazione(AppContext& ctx);
    // Writing through files already open for a run of reservations (a review); why a reservation
    // waits is told through motivi, when given.
    ScritturaPrenotazione(AppContext& ctx, FileAperti& file, MotiviAttesa* motivi = nullptr);
    ~ScritturaPrenotazione();

    // versione: the reservation's Versione as the caller read it; the booking is written only for
    // that version (none: whatever it is now).
    Risultato RegistraPrenotazione(const QString& nPren, const CamereRichieste& camere,
                                   std::optional<qint64> versione = std::nullopt);
    // Applies the waiting modification of a reservation to its QV booking numero, in one unit of
    // work: the booking's counts are taken back, its room rows, nightly rows and the sheet's fields
    // the bridge writes become those of the new version (the rooms the lines give, checked as for a
    // new booking, the booking's own rooms free for it), and the new version is counted. Esito
    // Modificata when done. A booking that is gone, cancelled, checked in or changed at the desk is
    // not touched (InAttesa, the reason told).
    Risultato ApplicaModifica(const QString& nPren, const CamereRichieste& camere, qint32 numero, qint64 versione);
    Risultato AnnullaPrenotazione(const QString& nPren);
    // Marks a reservation handled without writing anything to QV: a declined cancellation
    // (cancellazione), or a new reservation the operator left without rooms, which is never marked
    // once it has been cancelled meanwhile (Esito::Cancellata).
    Risultato segnaGestita(const QString& nPren, bool cancellazione);
    // A modification the operator made in QV by hand: marked handled, its version recorded as the one
    // QV's booking numero holds (0: none), so that it is not offered again.
    Risultato segnaApplicataAMano(const QString& nPren, qint32 numero, qint64 versione);

    // Why the modification of a reservation cannot be written into its QV booking numero (gone,
    // cancelled, a guest checked in, rooms or dates changed at the desk since the bridge wrote
    // them); empty when it can. db: a unit of work of the writer (or the same files).
    QString ostacoloModifica(Database& db, qint32 numero, const std::optional<QList<RigaScritta>>& scritte,
                             const QString& dal, const QString& al);

    // Why a reservation (named chi) waits when the booking counter cannot give a number (problema).
    static QString contatoreInutilizzabile(const QString& chi, const QString& problema);

    // The files one unit of work of the writer spans, the interface database first; every unit of
    // work attaches them in this order, so two workstations never wait on each other in a circle.
    static QStringList fileUnitaDiLavoro();
    // How a web reservation is named to the operator: "La prenotazione web SB1 (Rossi Mario, dal
    // 04/05/2026 al 06/05/2026)". Dates are yyyymmdd.
    static QString chi(const QString& nPren, const QString& cognome, const QString& nome, const QString& dataFrom,
                       const QString& dataTo);
    // The booking link: a booking carries the first 20 characters of the web reservation number.
    static QString voucher(const QString& nPren) { return nPren.left(20); }

    // The nightly prices of a line's room stay, from the arrival to the night before the departure
    // (yyyymmdd, as stored): (day, price) in the order found. Price rows stored without a stay
    // belong to the first stay of their type.
    static QList<std::pair<QString, QVariant>> prezziNotti(Recordset& prezzi, const QString& nPren,
                                                           const RigaCamera& riga, const QString& dataFrom,
                                                           const QString& dataTo);
    // A stored price (a number, or the Italian text "1.234,50") as a number; 0 when it is none.
    static double importo(const QVariant& prezzo);

    // Arrival time and booking kind for new bookings, from QV's optional one-line files. The kind
    // is the file's first character, upper-cased; one the counting does not hold rooms for (only
    // C, O and T do) is taken as "C", and avviso, when given, says what the file holds.
    static QString oraArrivo(const AppContext& ctx);
    static QString tipoPrenotazione(const AppContext& ctx, QString* avviso = nullptr);
    // T0 .. T<NTERM>: tells QV's workstations that bookings changed. Returns the errors.
    static QStringList scriviSegnali(const AppContext& ctx);

    static constexpr const char16_t* Titolo = u"Simple Booking";

private:
    struct Testata; // the Reservations row values the writer uses
    class Lavoro;   // one unit of work

    // Runs passi(lavoro, testata, risultato, errore) in a unit of work on the waiting reservation and
    // shows the message it returns once the unit of work has ended. A reservation that is no longer
    // waiting, or (for a new one) has been cancelled meanwhile, is left alone.
    template <typename Passi>
    Risultato inUnitaDiLavoro(const QString& nPren, bool cancellazione, Passi&& passi,
                              std::optional<qint64> versione = std::nullopt);
    // A new booking inside the unit of work; the message to show once it has ended (empty: none).
    QString scriviNuova(Lavoro& l, const Testata& t, const CamereRichieste& camere, Risultato& r, bool& errore);
    // Every chosen room, proposed or typed, is free for the stay (the rows of booking proprio aside)
    // and on one line only; otherwise r says which is not.
    bool camereLibere(const Testata& t, const CamereRichieste& camere, qint32 proprio, Risultato& r);
    // The room rows and nightly rows of booking n from the lines; a booking being modified (riusa)
    // keeps its room rows where it has them, each written again with the bridge's fields only, the
    // rows left over removed. Returns the rows as written.
    QList<RigaScritta> scriviRighe(Lavoro& l, const Testata& t, const CamereRichieste& camere, qint32 n,
                                   const QString& tipo, bool riusa);
    // The version of the reservation now in the unit of work, recorded as the one QV's booking holds.
    // versione: the version as already read in this unit of work (none: read it now).
    void registraApplicata(Lavoro& l, qint32 n, const std::optional<QList<RigaScritta>>& righe,
                           const std::optional<VersionePrenotazione>& versione = std::nullopt);
    // Marks the booking and its rooms cancelled, or deletes them, as CancellazioneDefinitiva says.
    void annulla(Lavoro& l, Recordset& scheda, qint32 n);
    void avvisa(const QString& testo, bool errore = false);
    void segnala();

    AppContext& m_ctx;
    std::unique_ptr<FileAperti> m_propri; // when no run's files were given
    FileAperti& m_file;
    MotiviAttesa* m_motivi = nullptr;
    std::optional<QString> m_tipo, m_ora; // the booking kind and arrival time, once read
};
