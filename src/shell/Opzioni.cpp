#include "shell/Opzioni.h"

#include <QCommandLineParser>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// A monitoring check reads any exit status of "--once status" as its verdict: a wrong command line
// there is "unknown" (3), not "critical" (2).
constexpr int ErroreOpzioni = 2;
constexpr int ErroreOpzioniStato = 3;

QString comeScritta(const QString& nome)
{
    return (nome.size() == 1 ? u"-"_s : u"--"_s) + nome;
}

} // namespace

QString Opzioni::uso()
{
    return u"uso: SBDeskTop [--dir CARTELLA | --ask-dir] [--init] [--log FILE]\n"
           u"     SBDeskTop --headless [--once COMANDO] [--publish] [--answers FILE] [--dir CARTELLA] [--init]\n"
           u"                          [--log FILE]\n"
           u"     SBDeskTop --headless --once status [--json] [--dir CARTELLA]\n"
           u"     SBDeskTop --version | --help\n"
           u"\n"
           u"Senza --headless apre le finestre (serve uno schermo). La cartella di lavoro è la cartella dei dati\n"
           u"di QV: la cartella corrente, oppure quella di --dir.\n"
           u"\n"
           u"  --headless        senza finestre: il timer lavora fino a SIGTERM\n"
           u"  --once COMANDO    esegue un comando e termina: getRooms, getRates, reservations, tick, publish,\n"
           u"                    status (lo stato del collegamento, in sola lettura)\n"
           u"  --publish         a ogni ciclo il timer tiene allineata la disponibilità del servizio con QV\n"
           u"  --answers FILE    le risposte alle domande, una per riga (\"yes\"/\"no\" o il testo da scrivere)\n"
           u"  --log FILE        registro dell'inizio, della fine e dell'esito di ogni comando e di ogni messaggio\n"
           u"  --dir CARTELLA    la cartella dei dati di QV\n"
           u"  --init            avvia in una cartella che non è ancora una cartella dei dati di QV\n"
           u"  --ask-dir         chiede una volta la cartella dei dati e la ricorda (voce del desktop)\n"
           u"  --json            con --once status: il rapporto in JSON\n"
           u"  --version         la versione e il commit da cui è stato costruito\n"
           u"  -h, --help        questo aiuto\n"
           u"\n"
           u"Uscita di --once status: 0 tutto bene, 1 attenzione, 2 critico, 3 sconosciuto (anche un'opzione\n"
           u"errata). Negli altri casi: 0, 1 se l'avvio non è riuscito, 2 per un'opzione errata.\n"
           u"Il manuale: man SBDeskTop"_s;
}

LetturaOpzioni Opzioni::leggi(const QStringList& args)
{
    QCommandLineParser parser;
    // "-headless" is "--headless": no option here is a single letter but -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption headless(u"headless"_s), publish(u"publish"_s), init(u"init"_s), askDir(u"ask-dir"_s),
        version(u"version"_s), json(u"json"_s), help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption once(u"once"_s, {}, u"COMANDO"_s), answers(u"answers"_s, {}, u"FILE"_s),
        log(u"log"_s, {}, u"FILE"_s), dir(u"dir"_s, {}, u"CARTELLA"_s);
    const QCommandLineOption* const conValore[] = {&once, &answers, &log, &dir};
    parser.addOptions({headless, publish, init, askDir, version, json, help, once, answers, log, dir});

    // The parser reads past an unknown option, so "--once status" is known even on a wrong line.
    const bool letto = parser.parse(args);
    const bool chiedeStato = parser.values(once).contains(u"status"_s);
    LetturaOpzioni esito;
    esito.codiceUscita = chiedeStato ? ErroreOpzioniStato : ErroreOpzioni;
    const auto rifiuta = [&](const QString& problema) {
        esito.problema = problema;
        return esito;
    };
    if (!letto && !parser.unknownOptionNames().isEmpty())
        return rifiuta(u"opzione sconosciuta: "_s + comeScritta(parser.unknownOptionNames().constFirst()));
    // The only other error of the parser: a value option at the end of the line.
    if (!letto)
        return rifiuta(args.constLast() + u" richiede un valore"_s);
    for (const QCommandLineOption* opzione : conValore) {
        if (parser.isSet(*opzione) && parser.value(*opzione).isEmpty())
            return rifiuta(comeScritta(opzione->names().constFirst()) + u" richiede un valore"_s);
    }
    if (!parser.positionalArguments().isEmpty())
        return rifiuta(u"argomento inatteso: "_s + parser.positionalArguments().constFirst());

    Opzioni o;
    o.headless = parser.isSet(headless);
    o.publish = parser.isSet(publish);
    o.init = parser.isSet(init);
    o.askDir = parser.isSet(askDir);
    o.version = parser.isSet(version);
    o.help = parser.isSet(help);
    o.json = parser.isSet(json);
    o.dir = parser.value(dir);
    if (parser.values(once).size() > 1)
        return rifiuta(u"--once vale una volta sola"_s);
    if (parser.isSet(once)) {
        const QString comando = parser.value(once);
        o.status = comando == u"status";
        if (!o.status) {
            o.once = Sessione::comando(comando);
            if (!o.once)
                return rifiuta(u"comando sconosciuto: "_s + comando);
        }
    }
    if (parser.isSet(answers))
        o.answers = QFileInfo(parser.value(answers)).absoluteFilePath();
    if (parser.isSet(log))
        o.log = QFileInfo(parser.value(log)).absoluteFilePath();

    if (o.json && !o.status)
        return rifiuta(u"--json vale solo con --once status"_s);
    if (o.status && (o.publish || !o.answers.isEmpty()))
        return rifiuta(u"--once status non accetta --publish né --answers"_s);
    if (!o.headless && (o.once || o.status || !o.answers.isEmpty() || o.publish))
        return rifiuta(u"--once, --answers e --publish valgono solo con --headless"_s);
    if (o.askDir && (o.headless || !o.dir.isEmpty()))
        return rifiuta(u"--ask-dir vale solo con le finestre e senza --dir"_s);
    esito.opzioni = o;
    esito.codiceUscita = 0;
    return esito;
}
