#include "shell/SBDeskTop.h"

#include "availability/SBMese.h"
#include "context/AppContext.h"
#include "mapping/SBRates.h"
#include "mapping/SBRooms.h"
#include "shell/Registro.h"
#include "shell/SBookParam.h"
#include "shell/Sessione.h"
#include "sync/LimitiOperatore.h"
#include "sync/RapportoStato.h"
#include "sync/SBStato.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Pulsante
{
    const char16_t* caption;
    bool attivo;
};

// Captions and states of the T array, by index.
constexpr Pulsante kPulsanti[SBDeskTop::NumeroComandi] = {
    {u"getHotels", false},
    {u"&Esci", true},
    {u"getRates", true},
    {u"getRooms", true},
    {u"reservations With Details", true},
    {u"view Inventory", false},
    {u"update Inventory", true},
    {u"getRate Comparison Hotels", false},
    {u"getRate Comparison Rooms", false},
    {u"view Rates", false},
    {u"change Password", false},
    {u"Types of rooms QV", true},
    {u"Types of rates QV", true},
};

// The two button columns, top to bottom; the last row holds 11 and 12 side by side.
constexpr int kColonnaSinistra[] = {0, 2, 3, 4, 5, 11};
constexpr int kColonnaDestra[] = {6, 7, 8, 9, 10, 12};

QPlainTextEdit* casellaDiTesto(const QColor& sfondo, QWidget* parent)
{
    auto* t = new QPlainTextEdit(parent);
    t->setReadOnly(true);
    QPalette p = t->palette();
    p.setColor(QPalette::Base, sfondo);
    p.setColor(QPalette::Text, Qt::black);
    t->setPalette(p);
    return t;
}

} // namespace

SBDeskTop::SBDeskTop(AppContext& ctx, Sessione& sessione, QWidget* parent)
    : QMainWindow(parent), m_ctx(ctx), m_sessione(sessione)
{
    setObjectName(u"SBDeskTop"_s);
    setWindowTitle(QString::fromUtf16(TitoloIniziale));
    // Topmost, as every activation makes it; the flag holds from the first display on.
    setWindowFlag(Qt::WindowStaysOnTopHint);

    QMenu* parametri = menuBar()->addMenu(u"&Parametri"_s);
    m_menuParametri = parametri->addAction(u"Parametri web services"_s);
    m_menuParametri->setObjectName(u"menuParametri"_s);
    connect(m_menuParametri, &QAction::triggered, this, &SBDeskTop::apriParametri);
    m_menuStato = parametri->addAction(u"Stato"_s);
    m_menuStato->setObjectName(u"menuStato"_s);
    connect(m_menuStato, &QAction::triggered, this, [this] { apriFinestra<SBStato>(Origine::AltraFinestra); });

    m_lineaStato = new QLabel(this);
    m_lineaStato->setObjectName(u"lineaStato"_s);
    statusBar()->addWidget(m_lineaStato, 1);
    // After every tick of the timer that ran, also one that came while a question waits; not after one
    // that came while work computes (a unit of work may be open then).
    m_sessione.scheduler().setDopoDelTick([this](const Scheduler::Esito& esito) {
        if (!esito.saltato || esito.duranteDomanda)
            aggiornaStato();
    });
    // Long work (a download, a review) says on the status line how far it has come, and the window
    // repaints meanwhile; the operator's clicks wait for the work to end.
    m_ctx.avanzamento.setMostra([this](const QString& testo, bool nelRegistro) {
        if (nelRegistro && !testo.isEmpty())
            m_sessione.registro().scrivi(testo);
        if (testo.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(testo);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });

    auto* centro = new QWidget(this);
    auto* riga = new QHBoxLayout(centro);

    auto* testi = new QVBoxLayout;
    m_text1[0] = casellaDiTesto(QColor(0xFF, 0xFF, 0xC0), centro); // light yellow
    m_text1[1] = casellaDiTesto(QColor(0xFF, 0xD8, 0xA8), centro); // light orange
    for (int i = 0; i < 2; ++i) {
        m_text1[size_t(i)]->setObjectName(u"Text1_"_s + QString::number(i));
        testi->addWidget(m_text1[size_t(i)]);
    }
    riga->addLayout(testi, 1);

    auto* comandi = new QGridLayout;
    for (int i = 0; i < NumeroComandi; ++i) {
        auto* b = new QPushButton(QString::fromUtf16(kPulsanti[i].caption), centro);
        b->setObjectName(u"T_"_s + QString::number(i));
        b->setEnabled(kPulsanti[i].attivo);
        b->setAutoDefault(false);
        b->setMinimumHeight(34);
        connect(b, &QPushButton::clicked, this, [this, i] { comando(i); });
        m_t[size_t(i)] = b;
    }
    // Every caption fits its button with room to spare, whatever the font.
    int larghezza = 0;
    for (QPushButton* b : m_t)
        larghezza = std::max(larghezza, b->fontMetrics().horizontalAdvance(b->text()) + 32);
    for (QPushButton* b : m_t)
        b->setMinimumWidth(larghezza);
    const int righe = int(std::size(kColonnaSinistra));
    for (int r = 0; r < righe; ++r) {
        comandi->addWidget(m_t[size_t(kColonnaSinistra[r])], r, 0);
        comandi->addWidget(m_t[size_t(kColonnaDestra[r])], r, 1);
    }
    // "&Esci": a wide white button below both columns.
    QPushButton* esci = m_t[1];
    QPalette p = esci->palette();
    p.setColor(QPalette::Button, Qt::white);
    esci->setPalette(p);
    esci->setMinimumHeight(44);
    comandi->setRowMinimumHeight(righe, 16);
    comandi->addWidget(esci, righe + 1, 0, 1, 2);
    comandi->setRowStretch(righe + 2, 1);
    riga->addLayout(comandi, 0);

    setCentralWidget(centro);
    resize(1000, 600);

    // Centred on the screen, each coordinate cut to a whole number.
    if (const QScreen* s = screen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
}

SBDeskTop::~SBDeskTop()
{
    m_sessione.scheduler().setDopoDelTick({});
    m_ctx.avanzamento.setMostra({});
}

void SBDeskTop::setTesto(int index, const QString& testo)
{
    if (index == 0 || index == 1)
        m_text1[size_t(index)]->setPlainText(testo);
}

void SBDeskTop::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_mostrata)
        return;
    m_mostrata = true;
    // The first activation runs from the event loop, once the window is on the screen.
    QMetaObject::invokeMethod(
        this, [this] { attivazione(Origine::PrimaVisualizzazione); }, Qt::QueuedConnection);
}

void SBDeskTop::attivazione(Origine origine)
{
    ++m_attivazioni;
    raise();
    const bool parametri = m_sessione.attiva();
    aggiornaStato();
    if (parametri)
        return;
    // No SBookParam.txt: the parameters come first. Leaving the parameters window without saving
    // does not open it again at once, so the operator can still reach the menu or "&Esci".
    if (origine != Origine::Parametri)
        QTimer::singleShot(0, this, &SBDeskTop::apriParametri);
}

template <typename Finestra>
void SBDeskTop::apriFinestra(Origine origine, const std::function<void(Finestra&)>& prepara)
{
    {
        Finestra finestra(m_ctx, this);
        if (prepara)
            prepara(finestra);
        finestra.exec();
    }
    // The return from a window of the bridge is an activation of the main window.
    QMetaObject::invokeMethod(
        this, [this, origine] { attivazione(origine); }, Qt::QueuedConnection);
}

void SBDeskTop::aggiornaStato()
{
    const RapportoStato rapporto = RapportoStato::leggi(m_ctx.workDir(), m_ctx.clock().now());
    m_lineaStato->setText(rapporto.riassunto());
    m_lineaStato->setStyleSheet(u"QLabel { color: white; padding: 2px 6px; background: "_s +
                                SBStato::colore(int(rapporto.livello())) + u"; }"_s);
}

void SBDeskTop::apriParametri()
{
    apriFinestra<SBookParam>(Origine::Parametri);
}

void SBDeskTop::comando(int index)
{
    switch (index) {
    case 1:
        close();
        return;
    case 2:
    case 3:
    case 4: {
        const Sessione::Comando c = index == 2   ? Sessione::Comando::GetRates
                                    : index == 3 ? Sessione::Comando::GetRooms
                                                 : Sessione::Comando::Reservations;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_sessione.esegui(c);
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    case 6:
        // "Prepara File" also records the operator's limits for what is published later.
        apriFinestra<SBMese>(Origine::AltraFinestra, [this](SBMese& mese) {
            mese.setPreparazione([this](GrigliaMese& g) { return LimitiOperatore::preparaFile(m_ctx, g); });
        });
        return;
    case 11:
        apriFinestra<SBRooms>(Origine::AltraFinestra);
        return;
    case 12:
        apriFinestra<SBRates>(Origine::AltraFinestra);
        return;
    default:
        return; // the buttons that are off
    }
}

void SBDeskTop::closeEvent(QCloseEvent* event)
{
    if (m_uscitaConfermata) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_sessione.occupato())
        return; // a command still waits for the operator: it ends first
    const auto risposta = m_ctx.op().ask(u"Simple Booking"_s, u"Chiudere l'interfaccia QV <--> SimpleBooking?"_s,
                                         OperatorPort::Answer::No);
    if (risposta != OperatorPort::Answer::Yes)
        return;
    m_uscitaConfermata = true;
    m_sessione.scheduler().stop();
    event->accept();
}
