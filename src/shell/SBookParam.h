#pragma once

#include "context/Settings.h"

#include <QDialog>
#include <array>

class AppContext;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The parameters window: shows SBookParam.txt for editing and writes it back with "&Registra".
// What it reads and writes is ParametriForm's business; the window binds the controls to it.
class SBookParam final : public QDialog
{
    Q_OBJECT

public:
    explicit SBookParam(AppContext& ctx, QWidget* parent = nullptr);

    static constexpr int NumeroCampi = 9;

    QCheckBox* Chk() const { return m_chk; }
    QCheckBox* Check1() const { return m_check1; }
    QCheckBox* Check2() const { return m_check2; }
    QCheckBox* Check3() const { return m_check3; } // availability kept in step with QV at every tick
    QLineEdit* Text2() const { return m_text2; }   // its horizon in days
    QLineEdit* Text3() const { return m_text3; }   // the days the exchange copies are kept
    QLineEdit* Text1(int index) const { return m_text1.at(size_t(index)); }
    QLabel* Label1(int index) const { return m_label1.at(size_t(index)); }
    QPushButton* T(int index) const { return m_t.at(size_t(index)); }

    // What the controls hold now.
    ParametriForm modulo() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mostra(const ParametriForm& form);
    void registra();

    AppContext& m_ctx;
    QCheckBox* m_chk = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QStringList m_altreRighe; // the file's lines this window does not show, written back as they were
    std::array<QLineEdit*, NumeroCampi> m_text1{};
    std::array<QLabel*, NumeroCampi> m_label1{};
    std::array<QPushButton*, 2> m_t{};
    bool m_centrata = false;
};
