#pragma once

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QHash>
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
    // The findings in words, the worst first ("Tutto in ordine" when there are none), then what is only
    // worth knowing (the copies of the exchanges kept).
    QStringList righe() const;
    // The worst finding, for a status line.
    QString riassunto() const { return righe().constFirst(); }
    QJsonObject json() const;

    // The drift as a grid of QV types by days: only the types and days that differ, each cell
    // "told -> to offer" ("-" never told), marked when the service offers more than there is.
    struct Cella
    {
        QString testo;
        bool rischio = false;
    };
    struct GrigliaDeriva
    {
        QStringList tipi;
        QList<QDate> giorni;
        QHash<QString, Cella> celle; // "type,day index"
        const Cella* cella(int tipo, int giorno) const
        {
            const auto it = celle.constFind(QString::number(tipo) + u',' + QString::number(giorno));
            return it == celle.cend() ? nullptr : &*it;
        }
    };
    GrigliaDeriva grigliaDeriva() const;
    // Reservations waiting for QV ("NPren del dd/mm/yyyy") and the exchanges whose last try failed.
    QStringList inAttesa() const;
    QStringList scambiFalliti() const;

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
    QStringList m_note;
    QJsonObject m_dati;
};
