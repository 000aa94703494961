#pragma once

#include <QDateTime>
#include <QDir>
#include <QJsonObject>
#include <QStringList>

// The bridge's health, read from the data directory without changing anything: the exchanges'
// outcomes, the timer's heartbeat, web reservations waiting for QV, ".failed" files and the drift
// between what the service was told and the rooms to offer. Its level follows the monitoring
// convention.
class RapportoStato
{
public:
    enum class Livello { Ok = 0, Avviso = 1, Critico = 2, Sconosciuto = 3 };

    // Opens every database read-only; whatever cannot be read makes the level Sconosciuto.
    static RapportoStato leggi(const QDir& workDir, const QDateTime& ora);

    Livello livello() const { return m_livello; }
    // The findings in words, the worst first; "Tutto in ordine" when there are none.
    QStringList righe() const;
    QJsonObject json() const;

    // How long a timer's heartbeat counts as a running timer.
    static constexpr int BattitoValido = 300;

private:
    struct Riscontro
    {
        Livello livello;
        QString testo;
    };
    void aggiungi(Livello l, const QString& testo);

    Livello m_livello = Livello::Ok;
    QList<Riscontro> m_riscontri;
    QJsonObject m_dati;
};
