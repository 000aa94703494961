#pragma once

#include "availability/GrigliaMese.h"

#include <QDialog>
#include <array>
#include <functional>
#include <optional>

class AppContext;
class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPushButton;
class QTableView;

// "Disponibilità e Prezzi mensile": the grid of a month of availability and prices per room type,
// its list copy and the edit boxes of one room type. Every value lives in the one GrigliaMese; the
// window shows it and hands it what the operator types.
class SBMese final : public QDialog
{
    Q_OBJECT

public:
    explicit SBMese(AppContext& ctx, QWidget* parent = nullptr);
    ~SBMese() override;

    static constexpr int NumeroCaselle = 67;
    static constexpr const char16_t* Legenda = u"-1 = chiuso, 0 = invariato";

    QTableView* Grid1() const { return m_grid1; }
    QLineEdit* Text2() const { return m_text2; }
    QLabel* Label3() const { return m_label3; }
    QLabel* Label4() const { return m_legenda; } // the legend under the grid
    QListWidget* List1() const { return m_list1; }
    QLineEdit* Text1(int index) const { return m_text1.at(size_t(index)); }
    // T(0) "&Registra", T(1) "&Importa da QV", T(2) "&Esci", T(3) "&Prepara File".
    QPushButton* T(int index) const { return m_t.at(size_t(index)); }

    const GrigliaMese& griglia() const { return m_griglia; }

    // What "Prepara File" does with the grid: the file's name, or nullopt when it was not written.
    // By default the grid writes its file; whoever opens the window may record more with it (the
    // operator's limits, kept by the code that keeps the service in step with QV).
    using Preparazione = std::function<std::optional<QString>(GrigliaMese&)>;
    void setPreparazione(Preparazione preparazione) { m_preparazione = std::move(preparazione); }
    int attivazioni() const { return m_attivazioni; }

    // "Esci": leaves at once when the file has been prepared, otherwise after the operator confirms.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attivazione();
    void mostra();
    void mostraCaselle();
    void invioData();
    void cellaScelta(const QModelIndex& indice);
    void mostraCella(const QModelIndex& indice);
    void invioCella();
    void rigaScelta(int riga);
    bool casellaConFuoco(int indice);
    void invioCasella(int indice);
    void registra();
    void importa();
    void prepara();
    void errore(const QString& testo);

    class Modello;

    AppContext& m_ctx;
    GrigliaMese m_griglia;
    Modello* m_modello = nullptr;
    QTableView* m_grid1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_legenda = nullptr;
    QListWidget* m_list1 = nullptr;
    std::array<QLineEdit*, NumeroCaselle> m_text1{};
    std::array<QPushButton*, 4> m_t{};
    Preparazione m_preparazione;
    int m_tipo = -1; // the room type of the boxes
    int m_attivazioni = 0;
    bool m_centrata = false;
};
