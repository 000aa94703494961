#pragma once

#include "shell/Sessione.h"

#include <QString>
#include <QStringList>
#include <optional>

struct LetturaOpzioni;

// What the command line asks of SBDeskTop. Read before any application object exists, so that a
// server without a display can ask for the usage or be told of a wrong option.
struct Opzioni
{
    bool headless = false;
    bool publish = false;
    bool init = false;
    bool askDir = false;
    bool version = false;
    bool help = false;
    bool status = false;
    bool json = false;
    std::optional<Sessione::Comando> once;
    QString answers; // absolute, taken from where the program was started (before --dir)
    QString log;     // the same
    QString dir;

    // args as main() gets them, the program's name first.
    static LetturaOpzioni leggi(const QStringList& args);
    // The usage that --help prints, and a wrong command line after its problem.
    static QString uso();
};

struct LetturaOpzioni
{
    std::optional<Opzioni> opzioni; // none: a wrong command line
    QString problema;               // what is wrong with it, for the operator
    int codiceUscita = 0;           // for a wrong one: 2, or 3 when it asks for the status
};
