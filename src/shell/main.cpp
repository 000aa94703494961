// SBDeskTop: the bridge between QV and SimpleBooking.
//
//   SBDeskTop                       the desktop program
//   SBDeskTop --headless            no windows: the timer runs until SIGTERM
//   SBDeskTop --headless --once getRooms|getRates|reservations|tick|publish
//   SBDeskTop --headless --once status [--json]   the bridge's health, read-only; exit 0 OK,
//                                   1 warning, 2 critical, 3 unknown
//   SBDeskTop --headless --publish  the timer keeps the service's availability in step with QV
//   options: --answers FILE (answers to the questions, one a line), --log FILE, --dir DIR (the
//            working directory), --init (a new hotel in a directory that is no QV data directory)
//   SBDeskTop --ask-dir             the desktop entry: the data directory chosen once and remembered
//   SBDeskTop --version, SBDeskTop --help (the usage, in Opzioni.cpp)
//
// The working directory is the current directory, or --dir's.

#include "Versione.h"
#include "context/AppContext.h"
#include "shell/CartellaDati.h"
#include "shell/HeadlessOperatorPort.h"
#include "shell/Opzioni.h"
#include "shell/QtOperatorPort.h"
#include "shell/Registro.h"
#include "shell/SBDeskTop.h"
#include "shell/SegnaleArresto.h"
#include "shell/Sessione.h"
#include "sync/RapportoStato.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageBox>
#include <QSettings>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void scriviErrore(const QString& testo)
{
    const QByteArray bytes = u"SBDeskTop: "_s.toLocal8Bit() + testo.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

constexpr const char16_t kSoloSenzaFinestre[] =
    u"senza schermo il programma lavora solo con --headless (SBDeskTop --help).";

// Empty when the windows have somewhere to open: a display, or a platform named on purpose (offscreen).
QString senzaSchermo()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    return u"impossibile aprire le finestre: nessuno schermo (DISPLAY e WAYLAND_DISPLAY sono vuote); "_s +
           QString::fromUtf16(kSoloSenzaFinestre);
}

// Only while the application object is made: Qt ends a start whose platform cannot be opened with a
// fatal message (and a core dump); this one says why in one line and exits.
void schermoIrraggiungibile(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo)
{
    if (tipo != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qFormatLogMessage(tipo, contesto, testo).toLocal8Bit().constData());
        return;
    }
    scriviErrore(u"impossibile aprire le finestre: lo schermo "_s + qEnvironmentVariable("DISPLAY") +
                 u" non risponde; "_s + QString::fromUtf16(kSoloSenzaFinestre));
    std::_Exit(1);
}

void scriviVersione()
{
    const QByteArray commit = SB_COMMIT;
    std::printf("SBDeskTop %s%s\n", SB_VERSIONE, commit.isEmpty() ? "" : (" (git " + commit + ')').constData());
}

// --dir: the working directory is changed before anything reads it. Empty on success.
QString entraNellaCartella(const QString& dir)
{
    if (dir.isEmpty() || QDir::setCurrent(dir))
        return {};
    return u"impossibile usare la cartella di lavoro "_s + dir +
           (QFileInfo(dir).isDir() ? u": accesso negato."_s : u": non esiste."_s);
}

// The desktop entry starts the program in the home directory, which is never a hotel's: the data
// directory is asked once and remembered. False when the operator gives none.
bool scegliCartella(bool init)
{
    QSettings memoria(u"qv-simplebooking"_s, u"SBDeskTop"_s);
    const QString chiave = u"cartellaDati"_s;
    QString scelta = memoria.value(chiave).toString();
    QString problema = scelta.isEmpty() ? u"Scegliere la cartella dei dati di QV."_s
                                        : CartellaDati::rifiutoScelta(scelta, QDir::homePath(), init);
    while (!problema.isEmpty()) {
        QMessageBox::information(nullptr, u"Cartella dei dati"_s, problema);
        scelta = QFileDialog::getExistingDirectory(nullptr, u"Cartella dei dati di QV"_s,
                                                   scelta.isEmpty() ? u"/srv/qv"_s : scelta);
        if (scelta.isEmpty())
            return false;
        problema = CartellaDati::rifiutoScelta(scelta, QDir::homePath(), init);
    }
    memoria.setValue(chiave, QFileInfo(scelta).canonicalFilePath());
    return QDir::setCurrent(scelta);
}

QString cartellaDiLavoro()
{
    // An empty path means the current directory is gone.
    return QDir::currentPath();
}

// Reads, never writes: no start-up, no bootstrap, no log file; the report on standard output.
int stato(const Opzioni& o)
{
    if (const QString errore = entraNellaCartella(o.dir); !errore.isEmpty()) {
        scriviErrore(errore);
        return 3;
    }
    const RapportoStato rapporto = RapportoStato::leggi(QDir(cartellaDiLavoro()), SystemClock().now());
    const QByteArray testo = o.json ? QJsonDocument(rapporto.json()).toJson(QJsonDocument::Indented)
                                    : (rapporto.righe().join(u'\n') + u'\n').toUtf8();
    std::fwrite(testo.constData(), 1, size_t(testo.size()), stdout);
    return int(rapporto.livello());
}

int senzaFinestre(const Opzioni& o)
{
    SystemClock clock;
    Registro registro(clock);
    if (!o.log.isEmpty()) {
        const QString errore = registro.apri(o.log);
        if (!errore.isEmpty()) {
            registro.scrivi(u"Avvio non riuscito: impossibile aprire il file di registro "_s + o.log + u": "_s +
                            errore);
            return 1;
        }
    }
    QStringList risposte;
    if (!o.answers.isEmpty()) {
        QString errore;
        const auto lette = HeadlessOperatorPort::leggiRisposte(o.answers, &errore);
        if (!lette) {
            registro.scrivi(u"Avvio non riuscito: impossibile leggere il file delle risposte "_s + o.answers + u": "_s +
                            errore);
            return 1;
        }
        risposte = *lette;
    }
    if (const QString errore = entraNellaCartella(o.dir); !errore.isEmpty()) {
        registro.scrivi(u"Avvio non riuscito: "_s + errore);
        return 1;
    }
    const QString cartella = cartellaDiLavoro();
    if (cartella.isEmpty()) {
        registro.scrivi(u"Avvio non riuscito: la cartella di lavoro non esiste più."_s);
        return 1;
    }
    HeadlessOperatorPort op(registro, risposte);
    AppContext ctx(cartella, clock, op);
    Sessione sessione(ctx, registro);
    QString errore = sessione.verificaCartella();
    if (errore.isEmpty())
        errore = CartellaDati::rifiuto(ctx.workDir(), o.init);
    // Checked before the databases are made, so that a start in the wrong directory leaves nothing behind.
    if (errore.isEmpty() && !QFileInfo::exists(ctx.path(QString::fromUtf16(Settings::FileName))))
        errore = u"il file "_s + ctx.path(QString::fromUtf16(Settings::FileName)) +
                 u" non esiste. Inserire i parametri con la finestra \"Parametri\" del programma, "
                 u"oppure scrivere il file a mano: \"man SBDeskTop\" ne descrive le righe una per una."_s;
    if (errore.isEmpty())
        errore = sessione.avvia();
    if (!errore.isEmpty()) {
        registro.scrivi(u"Avvio non riuscito: "_s + errore);
        return 1;
    }
    sessione.attiva();

    bool arrestoRichiesto = false;
    SegnaleArresto arresto([&](int segnale) {
        registro.scrivi(u"Segnale "_s + QString::number(segnale) + u" ricevuto: arresto."_s);
        arrestoRichiesto = true;
        QCoreApplication::exit(0);
    });
    ctx.avanzamento.setArresto(&SegnaleArresto::richiesto);

    sessione.setPubblica(o.publish);
    if (o.once) {
        sessione.esegui(*o.once);
        return 0;
    }
    sessione.scheduler().setPrimaDelTick([&] {
        if (!sessione.attiva())
            registro.scrivi(u"Attenzione: il file SBookParam.txt non esiste più; restano i parametri letti prima, "
                            u"in modalità 1 'Semi automatica'."_s);
    });
    sessione.scheduler().start();
    registro.scrivi(u"Modalità senza finestre: il timer scatta ogni "_s +
                    QString::number(Scheduler::Intervallo / 1000) + u" secondi; SIGTERM termina il programma."_s);
    QCoreApplication::exec();
    sessione.scheduler().stop();
    registro.scrivi(arrestoRichiesto ? u"Programma terminato."_s : u"Programma terminato dal ciclo degli eventi."_s);
    return 0;
}

int conFinestre(const Opzioni& o)
{
    SystemClock clock;
    Registro registro(clock);
    if (!o.log.isEmpty()) {
        const QString errore = registro.apri(o.log);
        if (!errore.isEmpty()) {
            QMessageBox::critical(nullptr, u"Errore"_s,
                                  u"Impossibile aprire il file di registro "_s + o.log + u":\n"_s + errore);
            return 1;
        }
    }
    if (o.askDir && !scegliCartella(o.init))
        return 0;
    QString errore = entraNellaCartella(o.dir);
    const QString cartella = cartellaDiLavoro();
    QtOperatorPort op(&registro);
    AppContext ctx(cartella.isEmpty() ? u"."_s : cartella, clock, op);
    Sessione sessione(ctx, registro);
    if (errore.isEmpty() && cartella.isEmpty())
        errore = u"la cartella di lavoro non esiste più."_s;
    if (errore.isEmpty())
        errore = CartellaDati::rifiuto(ctx.workDir(), o.init);
    if (errore.isEmpty())
        errore = sessione.avvia();
    if (!errore.isEmpty()) {
        registro.scrivi(u"Avvio non riuscito: "_s + errore);
        QMessageBox::critical(nullptr, u"Errore"_s, u"Avvio non riuscito: "_s + errore);
        return 1;
    }
    SBDeskTop finestra(ctx, sessione);
    op.setWindow(&finestra);
    // exit() leaves every event loop: a window of the bridge that is open closes, and a question that
    // is waiting takes the answer given when nobody is there, so the command that asked it runs to its
    // end as in the unattended mode. (quit() would ask the main window, and so the operator, first.)
    SegnaleArresto arresto([&](int segnale) {
        registro.scrivi(u"Segnale "_s + QString::number(segnale) + u" ricevuto: arresto."_s);
        QCoreApplication::exit(0);
    });
    ctx.avanzamento.setArresto(&SegnaleArresto::richiesto);
    finestra.show();
    sessione.scheduler().start();
    const int rc = QApplication::exec();
    sessione.scheduler().stop();
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    // Read before any application object: the usage, the version and a wrong option need no display,
    // and a value ("--log --headless") is never taken for an option.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const LetturaOpzioni lettura = Opzioni::leggi(args);
    if (!lettura.opzioni) {
        scriviErrore(lettura.problema + u'\n' + Opzioni::uso());
        return lettura.codiceUscita;
    }
    const Opzioni& opzioni = *lettura.opzioni;
    if (opzioni.help) {
        std::fprintf(stdout, "%s\n", Opzioni::uso().toLocal8Bit().constData());
        return 0;
    }
    if (opzioni.version) {
        scriviVersione();
        return 0;
    }

    std::unique_ptr<QCoreApplication> app;
    if (opzioni.headless) {
        // A reader of standard error that goes away (a pipe into a logger) must not end the run.
        std::signal(SIGPIPE, SIG_IGN);
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (const QString motivo = senzaSchermo(); !motivo.isEmpty()) {
            scriviErrore(motivo);
            return 1;
        }
        // A display that is named but cannot be reached ends in Qt's fatal message: told in one line.
        qInstallMessageHandler(&schermoIrraggiungibile);
        app = std::make_unique<QApplication>(argc, argv);
        qInstallMessageHandler(nullptr);
    }
    QCoreApplication::setApplicationName(u"SBDeskTop"_s);
    if (opzioni.status)
        return stato(opzioni);
    return opzioni.headless ? senzaFinestre(opzioni) : conFinestre(opzioni);
}
