#include "mapping/SBRooms.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FinestraMappatura::FinestraMappatura(const Testi& testi, QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::fromUtf16(testi.nome));
    setWindowTitle(QString::fromUtf16(testi.titolo));
    setModal(true);
    // Topmost at each activation; the flag holds for as long as the window is open.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* colonna = new QVBoxLayout(this);

    auto* alto = new QHBoxLayout;
    auto* etichettaHotel = new QLabel(u"Hotel"_s, this);
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(u"Combo1"_s);
    m_combo1->setMinimumContentsLength(30);
    // The items are columns of fixed width, like the list's lines.
    const QFont fisso = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_combo1->setFont(fisso);
    etichettaHotel->setBuddy(m_combo1);
    alto->addWidget(etichettaHotel);
    alto->addWidget(m_combo1, 1);
    colonna->addLayout(alto);

    m_titolo = new QLabel(QString::fromUtf16(testi.tabella), this);
    m_titolo->setObjectName(u"Label_tabella"_s);
    m_titolo->setAlignment(Qt::AlignHCenter);
    QFont grassetto = m_titolo->font();
    grassetto.setBold(true);
    m_titolo->setFont(grassetto);
    colonna->addWidget(m_titolo);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(u"List1"_s);
    m_list1->setFont(fisso);
    // A whole line (45 characters at most) reads without scrolling.
    m_list1->setMinimumWidth(QFontMetrics(fisso).horizontalAdvance(QString(48, u'M')) + 24);
    m_list1->setMinimumHeight(QFontMetrics(fisso).lineSpacing() * 14);
    colonna->addWidget(m_list1, 1);

    auto* campi = new QFormLayout;
    const char16_t* etichetteTesti[2] = {u"Id", u"Description"};
    for (size_t i = 0; i < 2; ++i) {
        m_text1[i] = new QLineEdit(this);
        m_text1[i]->setObjectName(u"Text1_"_s + QString::number(i));
        campi->addRow(QString::fromUtf16(etichetteTesti[i]), m_text1[i]);
    }
    for (size_t i = 0; i < 2; ++i) {
        m_combo2[i] = new QComboBox(this);
        m_combo2[i]->setObjectName(u"Combo2_"_s + QString::number(i));
        m_combo2[i]->setFont(fisso);
        m_etichette[i] = new QLabel(QString::fromUtf16(testi.combo2[i]), this);
        m_etichette[i]->setBuddy(m_combo2[i]);
        campi->addRow(m_etichette[i], m_combo2[i]);
    }
    colonna->addLayout(campi);

    auto* pulsanti = new QHBoxLayout;
    const char16_t* didascalie[3] = {u"&Save", u"&Exit", u"&Remove"};
    for (size_t i = 0; i < 3; ++i) {
        m_t[i] = new QPushButton(QString::fromUtf16(didascalie[i]), this);
        m_t[i]->setObjectName(u"T_"_s + QString::number(i));
        // Enter in a box does not press a button.
        m_t[i]->setAutoDefault(false);
        m_t[i]->setMinimumWidth(100);
    }
    pulsanti->addWidget(m_t[0]);
    if (testi.conRimuovi)
        pulsanti->addWidget(m_t[2]);
    else
        m_t[2]->hide();
    pulsanti->addStretch(1);
    pulsanti->addWidget(m_t[1]);
    colonna->addLayout(pulsanti);

    connect(m_combo1, &QComboBox::currentIndexChanged, this, [this](int i) { albergoScelto(i); });
    connect(m_list1, &QListWidget::currentRowChanged, this, [this](int r) { rigaScelta(r); });
    connect(m_list1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { rigaScelta(m_list1->row(item)); });
    connect(m_t[0], &QPushButton::clicked, this, [this] { salva(); });
    connect(m_t[1], &QPushButton::clicked, this, &QDialog::accept);
    connect(m_t[2], &QPushButton::clicked, this, [this] { rimuovi(); });
}

void FinestraMappatura::albergoScelto(int indice)
{
    if (mappatura().scegliAlbergo(indice))
        mostraRighe(mappatura().righe());
}

void FinestraMappatura::mostraAlberghi(const QList<Mappatura::Voce>& voci)
{
    riempi(m_combo1, voci);
}

void FinestraMappatura::mostraRighe(const QStringList& righe)
{
    // Refilling is not choosing a line: the edit fields keep what they hold.
    const QSignalBlocker blocco(m_list1);
    m_list1->clear();
    m_list1->addItems(righe);
}

void FinestraMappatura::riempi(QComboBox* combo, const QList<Mappatura::Voce>& voci)
{
    const QSignalBlocker blocco(combo);
    combo->clear();
    for (const Mappatura::Voce& v : voci)
        combo->addItem(v.testo);
    combo->setCurrentIndex(-1);
}

void FinestraMappatura::mostraVoce(QComboBox* combo, const std::optional<int>& voce)
{
    if (voce)
        combo->setCurrentIndex(*voce);
}

void FinestraMappatura::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_centrata)
        return;
    m_centrata = true;
    if (const QScreen* s = screen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
}

SBRooms::SBRooms(AppContext& ctx, QWidget* parent)
    : FinestraMappatura({u"SBRooms", u"Rooms assignment", u"TABLE OF ROOMS", {u"Level", u"QV type of room"}, true},
                        parent),
      m_modello(ctx)
{
    m_modello.apri();
    mostraAlberghi(m_modello.alberghi());
    riempi(Combo2(1), m_modello.tipiQV());
    Combo2(0)->addItems(MappaturaCamere::livelli());
    Combo2(0)->setCurrentIndex(0);
}

void SBRooms::rigaScelta(int indice)
{
    const auto scelta = m_modello.scegliRiga(indice);
    if (!scelta)
        return;
    Text1(0)->setText(scelta->id);
    Text1(1)->setText(scelta->descrizione);
    const int livello = Combo2(0)->findText(QString::number(scelta->livello));
    if (livello >= 0)
        Combo2(0)->setCurrentIndex(livello);
    mostraVoce(Combo2(1), scelta->tipoQV);
}

void SBRooms::salva()
{
    m_modello.salva(Text1(0)->text(), Text1(1)->text(), Combo2(0)->currentText().toInt(), Combo2(1)->currentIndex());
    mostraRighe(m_modello.righe());
}

void SBRooms::rimuovi()
{
    m_modello.rimuovi(Text1(0)->text(), Combo2(0)->currentText().toInt());
    mostraRighe(m_modello.righe());
}
