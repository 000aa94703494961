#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <functional>

class AppContext;
class Registro;

// Whether a command of the bridge is running. The timer's tick is handled whenever the thread waits
// for the operator, so it can come while a command (or an earlier tick) still waits on a message box;
// such a tick must start nothing.
class Occupazione
{
public:
    bool attiva() const { return m_livello > 0; }

    class Guardia
    {
    public:
        explicit Guardia(Occupazione& o) : m_o(o) { ++m_o.m_livello; }
        ~Guardia() { --m_o.m_livello; }
        Guardia(const Guardia&) = delete;
        Guardia& operator=(const Guardia&) = delete;

    private:
        Occupazione& m_o;
    };

private:
    int m_livello = 0;
};

// The timer of the main window: at minutes 10, 30, 50 and 59 the reservation download, and, with
// Attivo set, the prepared availability files sent one by one in name order (their names carry the
// time they were written, so the oldest goes first), then the availability brought in step with QV.
//
// A tick that comes while earlier work waits on a question to the operator starts no download and
// sends no file, but the service is still kept in step with QV and the timer's heartbeat recorded:
// nothing is open while a question waits, and an operator away from the desk must not leave the
// service offering rooms that QV has let. A tick that comes while earlier work computes (the long
// work's progress display lets the timer in) does nothing at all: a unit of work may be open then.
// The timer's work runs outside its timeout handler, since Qt does not fire a timer again while its
// own handler waits in a question's event loop.
class Scheduler
{
public:
    static constexpr int Intervallo = 25000;

    // The work a tick can start. The bridge runs the real exchanges; tests stand in for them.
    class Lavori
    {
    public:
        virtual ~Lavori() = default;
        virtual void scaricaPrenotazioni() = 0;
        // True when the service took the file (it answered with its ok text).
        virtual bool inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile) = 0;
        virtual bool eliminaFile(const QString& path);
        virtual bool rinominaFile(const QString& da, const QString& a);
        // Whether this bridge may send availability now (another one of the same data directory may
        // be publishing): when not, the prepared files wait for a later tick.
        virtual bool puoInviare() { return true; }
        // With Attivo set, after the files: the service kept in step with QV's rooms.
        virtual void allineaDisponibilita() {}
        // Every tick that runs: the timer is alive.
        virtual void battito() {}
    };

    struct Esito
    {
        bool saltato = false;        // earlier work was still running: nothing was started
        bool duranteDomanda = false; // saltato while that work waited on the operator: kept in step
        bool scaricato = false;      // the reservation download ran
        QStringList inviati;         // sent and deleted
        QStringList vuoti;           // empty, deleted without sending
        QStringList falliti;         // sent without success, kept under a ".failed" name
        QStringList nonEliminati;    // could not be deleted or renamed: reported, then passed by
    };

    Scheduler(AppContext& ctx, Occupazione& occupazione, Lavori& lavori, Registro* registro = nullptr);

    void start();
    void stop();
    const QTimer& timer() const { return m_timer; }
    QTimer& timer() { return m_timer; }

    // Run at the start of each tick's work (the unattended mode reads the settings again there).
    void setPrimaDelTick(std::function<void()> f) { m_primaDelTick = std::move(f); }
    // Run at the end of every tick, also of one that started nothing (the main window's status line).
    void setDopoDelTick(std::function<void(const Esito&)> f) { m_dopoDelTick = std::move(f); }

    Esito tick();

    static bool minutoDiScaricamento(const QTime& t);
    // No line at all, or a first line that is empty or only blanks.
    static bool fileVuoto(const QString& path);
    // Where a file whose send failed is kept: its name plus ".failed", numbered when that is taken.
    static QString nomeFallito(const QString& path);

    static constexpr const char16_t* Modello = u"WBValuesRooms*.txt";

private:
    Esito lavoro();
    // A tick while earlier work waits on the operator.
    void duranteDomanda(Esito& esito);
    void inviaFile(Esito& esito);
    void segnala(const QString& testo);

    AppContext& m_ctx;
    Occupazione& m_occupazione;
    Lavori& m_lavori;
    Registro* m_registro;
    QTimer m_timer;
    std::function<void()> m_primaDelTick;
    std::function<void(const Esito&)> m_dopoDelTick;
    bool m_inDomanda = false; // a tick during a question is running
    // Files that could not be deleted or put aside: reported once, then left alone for this run, so
    // that neither the loop nor later ticks send them again.
    QSet<QString> m_passati;
};
