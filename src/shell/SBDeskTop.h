#pragma once

#include <QMainWindow>
#include <array>
#include <functional>

class AppContext;
class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Sessione;

// The main window: the last request and the last answer in two text boxes, the commands in a column
// of buttons, the parameters in the menu. It lives for the whole run and hosts the timer.
class SBDeskTop final : public QMainWindow
{
    Q_OBJECT

public:
    SBDeskTop(AppContext& ctx, Sessione& sessione, QWidget* parent = nullptr);
    ~SBDeskTop() override;

    static constexpr const char16_t* TitoloIniziale = u"Interfaccia QV <--> SimpleBooking";
    static constexpr int NumeroComandi = 13;

    QPlainTextEdit* Text1(int index) const { return m_text1.at(size_t(index)); }
    QPushButton* T(int index) const { return m_t.at(size_t(index)); }
    QAction* menuParametri() const { return m_menuParametri; }
    QAction* menuStato() const { return m_menuStato; }
    // The status line: the worst finding of the status report, on green, amber or red.
    QLabel* lineaStato() const { return m_lineaStato; }
    void aggiornaStato();

    // The upper (0) or lower (1) text box.
    void setTesto(int index, const QString& testo);

    // How many activations there have been: the first display and each return from a modal window
    // of the bridge (not from a message box, nor from another program).
    int attivazioni() const { return m_attivazioni; }

    // The parameters window, modal; the return from it is an activation.
    void apriParametri();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Origine { PrimaVisualizzazione, Parametri, AltraFinestra };
    void attivazione(Origine origine);
    void comando(int index);
    // Opens one of the bridge's windows modally; its return activates this window.
    template <typename Finestra> void apriFinestra(Origine origine, const std::function<void(Finestra&)>& prepara = {});

    AppContext& m_ctx;
    Sessione& m_sessione;
    std::array<QPlainTextEdit*, 2> m_text1{};
    std::array<QPushButton*, NumeroComandi> m_t{};
    QAction* m_menuParametri = nullptr;
    QAction* m_menuStato = nullptr;
    QLabel* m_lineaStato = nullptr;
    int m_attivazioni = 0;
    bool m_mostrata = false;
    bool m_uscitaConfermata = false;
};
