#pragma once

#include "mapping/Mappatura.h"
#include "mapping/MappaturaCamere.h"

#include <QDialog>
#include <array>

class AppContext;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The layout both mapping windows share: the hotel, the centred table title over a list in a
// fixed-width font, "Id" and "Description", two combo boxes, and the buttons. The models decide
// what every line, item and button does.
class FinestraMappatura : public QDialog
{
    Q_OBJECT

public:
    QComboBox* Combo1() const { return m_combo1; }
    QListWidget* List1() const { return m_list1; }
    QLabel* titoloTabella() const { return m_titolo; }
    QLineEdit* Text1(int index) const { return m_text1.at(size_t(index)); }
    QComboBox* Combo2(int index) const { return m_combo2.at(size_t(index)); }
    QLabel* etichettaCombo2(int index) const { return m_etichette.at(size_t(index)); }
    // T(0) "&Save", T(1) "&Exit", T(2) "&Remove" (the rooms window only).
    QPushButton* T(int index) const { return m_t.at(size_t(index)); }

protected:
    struct Testi
    {
        const char16_t* nome;
        const char16_t* titolo;
        const char16_t* tabella;
        const char16_t* combo2[2];
        bool conRimuovi;
    };
    FinestraMappatura(const Testi& testi, QWidget* parent);

    void mostraAlberghi(const QList<Mappatura::Voce>& voci);
    void mostraRighe(const QStringList& righe);
    static void riempi(QComboBox* combo, const QList<Mappatura::Voce>& voci);
    // Shows the item, or leaves the combo as it is for nullopt.
    static void mostraVoce(QComboBox* combo, const std::optional<int>& voce);

    virtual Mappatura& mappatura() = 0;
    virtual void rigaScelta(int indice) = 0;
    virtual void salva() = 0;
    virtual void rimuovi() {}

    void showEvent(QShowEvent* event) override;

private:
    void albergoScelto(int indice);

    QComboBox* m_combo1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLabel* m_titolo = nullptr;
    std::array<QLineEdit*, 2> m_text1{};
    std::array<QComboBox*, 2> m_combo2{};
    std::array<QLabel*, 2> m_etichette{};
    std::array<QPushButton*, 3> m_t{};
    bool m_centrata = false;
};

// "Rooms assignment": the service's room types bound to QV room types, by level.
class SBRooms final : public FinestraMappatura
{
    Q_OBJECT

public:
    explicit SBRooms(AppContext& ctx, QWidget* parent = nullptr);

    const MappaturaCamere& modello() const { return m_modello; }

private:
    Mappatura& mappatura() override { return m_modello; }
    void rigaScelta(int indice) override;
    void salva() override;
    void rimuovi() override;

    MappaturaCamere m_modello;
};
