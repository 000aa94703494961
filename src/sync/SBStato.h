#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QListWidget;
class QTableWidget;

// "Stato": the bridge's health as the status report reads it, for the operator: the worst finding,
// the web reservations waiting for QV, the failed exchanges and the drift as a grid of types by
// days, the cells where the service offers more than there is in red.
class SBStato final : public QDialog
{
    Q_OBJECT

public:
    explicit SBStato(AppContext& ctx, QWidget* parent = nullptr);

    QLabel* Riassunto() const { return m_riassunto; }
    QListWidget* Lista1() const { return m_lista1; } // waiting reservations
    QListWidget* Lista2() const { return m_lista2; } // failed exchanges
    QTableWidget* Griglia() const { return m_griglia; }

    // The colour of a status line of this level (0 green, 1 amber, 2 and 3 red).
    static QString colore(int livello);

private:
    QLabel* m_riassunto = nullptr;
    QListWidget* m_lista1 = nullptr;
    QListWidget* m_lista2 = nullptr;
    QTableWidget* m_griglia = nullptr;
};
