#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

// How far a long piece of work (the reservations of a download, a review) has come, and whether
// the program has been asked to stop. The work reports each item done and asks between two items;
// the shell shows the report (the window's status line, the log) and knows about the stop.
class Avanzamento
{
public:
    // testo is "Registrazione 120 di 2000"; nelRegistro says that this line goes to the log too
    // (at most one every few seconds); an empty text clears the status line.
    using Mostra = std::function<void(const QString& testo, bool nelRegistro)>;

    void setMostra(Mostra mostra) { m_mostra = std::move(mostra); }
    void setArresto(std::function<bool()> richiesto) { m_arresto = std::move(richiesto); }

    // Item fatti of totale of the phase ("Registrazione") is done, or is about to start. Shown at
    // most every few tenths of a second; the first and the last item are always shown.
    void passo(const QString& fase, qsizetype fatti, qsizetype totale);
    // The phase has ended: the status line is cleared.
    void fine();
    // The item of the phase that started last (0: none).
    qsizetype corrente() const { return m_corrente; }
    // The program was asked to stop (SIGTERM, SIGINT): the work ends between two items, the item in
    // progress whole or not at all.
    bool arrestoRichiesto() const { return m_arresto && m_arresto(); }

    static constexpr qint64 IntervalloSchermoMs = 250;
    static constexpr qint64 IntervalloRegistroMs = 5000;

private:
    Mostra m_mostra;
    std::function<bool()> m_arresto;
    QElapsedTimer m_schermo;
    QElapsedTimer m_registro;
    bool m_mostrato = false;
    qsizetype m_corrente = 0;
};
