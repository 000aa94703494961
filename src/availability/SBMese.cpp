#include "availability/SBMese.h"

#include "context/AppContext.h"
#include "store/DaySlots.h"
#include "store/ValueCleaning.h"

#include <QAbstractTableModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCodice = 0;
constexpr int kPrimaDisponibilita = 2;
constexpr int kPrimoPrezzo = 34;
constexpr int kModifica = 65;

bool casellaDisponibilita(int i)
{
    return i >= kPrimaDisponibilita && i < kPrimaDisponibilita + GrigliaMese::Giorni;
}

bool casellaPrezzo(int i)
{
    return i >= kPrimoPrezzo && i < kPrimoPrezzo + GrigliaMese::Giorni;
}

// The window's fixed-width font, as large as lets a month of 31 days fit the screen's width.
QFont caratteri(const QScreen* schermo)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int disponibile = schermo ? schermo->availableGeometry().width() - 60 : 1800;
    for (int punti = 10; punti > 6; --punti) {
        f.setPointSize(punti);
        if (QFontMetrics(f).horizontalAdvance(QString(GrigliaMese::Colonne * 8 + 4, u'0')) <= disponibile)
            break;
    }
    return f;
}

} // namespace

// The grid control: cells, row count and the header's look, read from the model.
class SBMese::Modello final : public QAbstractTableModel
{
public:
    explicit Modello(const GrigliaMese& g, QObject* parent) : QAbstractTableModel(parent), m_g(g) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_g.righe(); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : GrigliaMese::Colonne; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return m_g.cella(index.row(), index.column());
        if (role == Qt::BackgroundRole && (index.row() == 0 || index.column() < 2))
            return QColor(0xE4, 0xE4, 0xE4);
        return {};
    }
    void ricarica()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const GrigliaMese& m_g;
};

SBMese::SBMese(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx), m_griglia(ctx)
{
    setObjectName(u"SBMese"_s);
    setWindowTitle(u"Disponibilità e Prezzi mensile"_s);
    setModal(true);
    // Topmost at each activation; the flag holds for as long as the window is open.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const QFont fisso = caratteri(screen());
    const QFontMetrics fm(fisso);
    const int cella = fm.horizontalAdvance(QString(GrigliaMese::LarghezzaCella, u'0')) + 8;
    const int intestazione = fm.horizontalAdvance(QString(10, u'0')) + 8;

    auto* colonna = new QVBoxLayout(this);

    auto* alto = new QHBoxLayout;
    auto* label2 = new QLabel(u"Data inizio periodo : "_s, this);
    label2->setObjectName(u"Label2"_s);
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(u"Text2"_s);
    m_text2->setFixedWidth(fm.horizontalAdvance(u"00/00/00000"_s) + 16);
    m_text2->setFont(fisso);
    m_text2->installEventFilter(this);
    label2->setBuddy(m_text2);
    m_label3 = new QLabel(this);
    m_label3->setObjectName(u"Label3"_s);
    m_label3->setMinimumWidth(fm.horizontalAdvance(u"00/00/0000"_s) + 16);
    m_label3->setFont(fisso);
    auto* label1 = new QLabel(u"Camere da offrire e prezzi per 31 giorni, per tipo di camera"_s, this);
    label1->setObjectName(u"Label1"_s);
    alto->addWidget(label2);
    alto->addWidget(m_text2);
    alto->addSpacing(24);
    alto->addWidget(m_label3);
    alto->addStretch(1);
    alto->addWidget(label1);
    colonna->addLayout(alto);

    m_grid1 = new QTableView(this);
    m_grid1->setObjectName(u"Grid1"_s);
    m_modello = new Modello(m_griglia, this);
    m_grid1->setModel(m_modello);
    m_grid1->setFont(fisso);
    m_grid1->horizontalHeader()->hide();
    m_grid1->verticalHeader()->hide();
    m_grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid1->horizontalHeader()->setDefaultSectionSize(cella);
    m_grid1->horizontalHeader()->resizeSection(0, intestazione);
    m_grid1->horizontalHeader()->resizeSection(1, intestazione);
    m_grid1->verticalHeader()->setDefaultSectionSize(fm.height() + 4);
    m_grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid1->setWordWrap(false);
    // Tab leaves the grid for the list, as in the tab order; arrows move between cells.
    m_grid1->setTabKeyNavigation(false);
    const int larghezzaGriglia = 2 * intestazione + GrigliaMese::Giorni * cella + 2 * m_grid1->frameWidth() +
                                 m_grid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    m_grid1->setMinimumHeight((fm.height() + 4) * 13);
    colonna->addWidget(m_grid1, 1);
    // What the day values of the grid mean at the service: 0 leaves the day as it is there.
    m_legenda = new QLabel(QString::fromUtf16(Legenda), this);
    m_legenda->setObjectName(u"Label4"_s);
    colonna->addWidget(m_legenda);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(u"List1"_s);
    m_list1->setFont(fisso);
    m_list1->setMinimumHeight(fm.lineSpacing() * 8 + 8);
    colonna->addWidget(m_list1);

    // The boxes of one room type, each under its day's column of the grid.
    // On a screen too narrow for them the boxes scroll sideways, like the grid and the list.
    auto* scorrimento = new QScrollArea(this);
    scorrimento->setFrameShape(QFrame::NoFrame);
    scorrimento->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scorrimento->setWidgetResizable(true);
    auto* pannello = new QWidget(scorrimento);
    auto* caselle = new QGridLayout(pannello);
    caselle->setContentsMargins(0, 0, 0, 0);
    caselle->setHorizontalSpacing(0);
    for (int i = 0; i < NumeroCaselle; ++i) {
        auto* t = new QLineEdit(i == 65 || i == 66 ? static_cast<QWidget*>(this) : pannello);
        t->setObjectName(u"Text1_"_s + QString::number(i));
        t->setFont(fisso);
        t->installEventFilter(this);
        m_text1[size_t(i)] = t;
    }
    m_text1[1]->setText(u"Disponib."_s);
    m_text1[33]->setText(u"Prezzo"_s);
    m_text1[66]->setText(u"Modifica"_s);
    for (int i : {1, 33, 66}) {
        m_text1[size_t(i)]->setReadOnly(true);
        m_text1[size_t(i)]->setFocusPolicy(Qt::NoFocus);
    }
    // The room code comes from the list line.
    m_text1[kCodice]->setReadOnly(true);
    for (int g = 0; g < GrigliaMese::Giorni; ++g) {
        m_text1[size_t(kPrimaDisponibilita + g)]->setText(u"0"_s);
        m_text1[size_t(kPrimoPrezzo + g)]->setText(u"0,00"_s);
    }
    caselle->addWidget(m_text1[kCodice], 0, 0);
    caselle->addWidget(m_text1[1], 0, 1);
    caselle->addWidget(m_text1[33], 1, 1);
    for (int g = 0; g < GrigliaMese::Giorni; ++g) {
        caselle->addWidget(m_text1[size_t(kPrimaDisponibilita + g)], 0, 2 + g);
        caselle->addWidget(m_text1[size_t(kPrimoPrezzo + g)], 1, 2 + g);
    }
    for (int c = 0; c < GrigliaMese::Colonne; ++c)
        for (int r = 0; r < 2; ++r)
            if (QLayoutItem* item = caselle->itemAtPosition(r, c))
                item->widget()->setFixedWidth(c < 2 ? intestazione : cella);
    caselle->setColumnStretch(GrigliaMese::Colonne, 1);
    scorrimento->setWidget(pannello);
    scorrimento->setMinimumHeight(pannello->sizeHint().height() +
                                  scorrimento->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
    colonna->addWidget(scorrimento);

    auto* basso = new QHBoxLayout;
    m_text1[66]->setFixedWidth(intestazione);
    m_text1[kModifica]->setFixedWidth(cella * 2);
    basso->addWidget(m_text1[66]);
    basso->addWidget(m_text1[kModifica]);
    basso->addStretch(1);
    const char16_t* didascalie[4] = {u"&Registra", u"&Importa da QV", u"&Esci", u"&Prepara File"};
    for (size_t i = 0; i < 4; ++i) {
        m_t[i] = new QPushButton(QString::fromUtf16(didascalie[i]), this);
        m_t[i]->setObjectName(u"T_"_s + QString::number(i));
        // Enter in a box is the box's own: it never presses a button.
        m_t[i]->setAutoDefault(false);
        m_t[i]->setMinimumWidth(130);
    }
    for (int i : {0, 1, 3, 2})
        basso->addWidget(m_t[size_t(i)]);
    colonna->addLayout(basso);

    connect(m_grid1, &QTableView::clicked, this, &SBMese::cellaScelta);
    connect(m_grid1, &QTableView::activated, this, &SBMese::cellaScelta);
    // A cell reached with the arrows is picked too; the same cell clicked again fills the box again.
    connect(m_grid1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& indice) {
        if (indice.isValid())
            mostraCella(indice);
    });
    connect(m_list1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { rigaScelta(m_list1->row(item)); });
    connect(m_list1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { rigaScelta(m_list1->row(item)); });
    connect(m_t[0], &QPushButton::clicked, this, &SBMese::registra);
    connect(m_t[1], &QPushButton::clicked, this, &SBMese::importa);
    connect(m_t[2], &QPushButton::clicked, this, &SBMese::reject);
    connect(m_t[3], &QPushButton::clicked, this, &SBMese::prepara);

    // Tab order: the date, the boxes in index order, the buttons.
    QWidget* prima = m_text2;
    for (QWidget* w : {static_cast<QWidget*>(m_grid1), static_cast<QWidget*>(m_list1)}) {
        setTabOrder(prima, w);
        prima = w;
    }
    for (int i = 0; i < NumeroCaselle; ++i)
        if (m_text1[size_t(i)]->focusPolicy() != Qt::NoFocus) {
            setTabOrder(prima, m_text1[size_t(i)]);
            prima = m_text1[size_t(i)];
        }
    for (int i : {0, 1, 3, 2}) {
        setTabOrder(prima, m_t[size_t(i)]);
        prima = m_t[size_t(i)];
    }

    // As wide as the grid needs, when the screen has room for it.
    const int disponibile = screen() ? screen()->availableGeometry().width() - 16 : larghezzaGriglia + 40;
    resize(std::min(larghezzaGriglia + 40, disponibile), sizeHint().height());

    m_text2->setText(TextDate::toDmy(m_ctx.clock().today()));
    m_griglia.costruisci(m_ctx.clock().today());
    mostra();
}

SBMese::~SBMese() = default;

void SBMese::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_centrata)
        return;
    m_centrata = true;
    if (const QScreen* s = screen()) {
        const QRect g = s->availableGeometry();
        move(g.x() + std::max(0, (g.width() - width()) / 2), g.y() + std::max(0, (g.height() - height()) / 2));
    }
    m_text2->setFocus(Qt::OtherFocusReason);
    // The window opens no window of the bridge, so its first display is its one activation.
    QMetaObject::invokeMethod(this, &SBMese::attivazione, Qt::QueuedConnection);
}

void SBMese::attivazione()
{
    ++m_attivazioni;
    raise();
    m_griglia.costruisci(m_griglia.inizio());
    mostra();
}

void SBMese::mostra()
{
    m_modello->ricarica();
    const int riga = m_list1->currentRow();
    m_list1->clear();
    m_list1->addItems(m_griglia.lista());
    if (riga >= 0 && riga < m_list1->count())
        m_list1->setCurrentRow(riga);
    if (m_tipo >= m_griglia.tipi() || (m_tipo >= 0 && m_griglia.sigla(m_tipo) != m_text1[kCodice]->text()))
        m_tipo = -1;
    mostraCaselle();
}

void SBMese::mostraCaselle()
{
    m_text1[kCodice]->setText(m_tipo >= 0 ? m_griglia.sigla(m_tipo) : QString());
    for (int g = 0; g < GrigliaMese::Giorni; ++g) {
        m_text1[size_t(kPrimaDisponibilita + g)]->setText(
            GrigliaMese::testoDisponibilita(m_tipo >= 0 ? m_griglia.disponibilita(m_tipo, g) : 0));
        m_text1[size_t(kPrimoPrezzo + g)]->setText(
            GrigliaMese::testoPrezzo(m_tipo >= 0 ? m_griglia.prezzo(m_tipo, g) : 0.0));
    }
}

void SBMese::invioData()
{
    const auto data = GrigliaMese::dataInizio(m_text2->text());
    if (!data) {
        m_text2->setText(TextDate::toDmy(m_ctx.clock().today()));
        return;
    }
    m_text2->setText(TextDate::toDmy(*data));
    m_griglia.costruisci(*data);
    mostra();
}

void SBMese::cellaScelta(const QModelIndex& indice)
{
    if (!indice.isValid())
        return;
    mostraCella(indice);
    m_text1[kModifica]->setFocus(Qt::OtherFocusReason);
}

void SBMese::mostraCella(const QModelIndex& indice)
{
    // Trimmed and selected: what the operator types replaces the value instead of joining its blanks.
    QLineEdit* modifica = m_text1[kModifica];
    modifica->setText(m_griglia.cella(indice.row(), indice.column()).trimmed());
    modifica->selectAll();
}

void SBMese::invioCella()
{
    const QModelIndex indice = m_grid1->currentIndex();
    if (!indice.isValid())
        return;
    if (const auto rifiuto = m_griglia.modificaCella(indice.row(), indice.column(), m_text1[kModifica]->text())) {
        errore(*rifiuto);
        return;
    }
    mostra();
    m_grid1->setCurrentIndex(indice);
    mostraCella(indice);
}

void SBMese::rigaScelta(int riga)
{
    const QString linea = riga >= 0 && riga < m_list1->count() ? m_list1->item(riga)->text() : QString();
    if (linea.left(GrigliaMese::LarghezzaSigla).trimmed().isEmpty()) {
        errore(u"Selezionare una riga con la sigla camera!"_s);
        return;
    }
    m_tipo = m_griglia.tipoDellaRiga(riga);
    mostraCaselle();
    m_text1[kPrimaDisponibilita]->setFocus(Qt::OtherFocusReason);
}

bool SBMese::casellaConFuoco(int indice)
{
    if (indice != kModifica && m_text1[kCodice]->text().isEmpty()) {
        // The focus is on the list before the message shows, so that it comes back there.
        m_list1->setFocus(Qt::OtherFocusReason);
        errore(u"Selezionare una camera!"_s);
        return false;
    }
    QLineEdit* t = m_text1[size_t(indice)];
    if (casellaDisponibilita(indice) || casellaPrezzo(indice)) {
        QTimer::singleShot(0, t, &QLineEdit::selectAll);
        const int giorno = indice - (casellaDisponibilita(indice) ? kPrimaDisponibilita : kPrimoPrezzo);
        m_label3->setText(TextDate::toDmy(m_griglia.giorno(giorno)));
    }
    return true;
}

void SBMese::invioCasella(int indice)
{
    QLineEdit* t = m_text1[size_t(indice)];
    const bool disponibilita = casellaDisponibilita(indice);
    const QString pulito = PulisciValore(t->text(), disponibilita ? 1 : 2);
    t->setText(pulito);
    const bool valido = disponibilita ? GrigliaMese::leggiDisponibilita(pulito).has_value()
                                      : GrigliaMese::leggiPrezzo(pulito).has_value();
    if (!valido) {
        errore(u"\""_s + pulito +
               (disponibilita ? u"\" non è un numero intero di camere."_s : u"\" non è un prezzo."_s));
        t->setFocus(Qt::OtherFocusReason);
        t->selectAll();
        return;
    }
    // The next day's box; after the last availability the first price, after the last price "Registra".
    const int prossima = indice == kPrimaDisponibilita + GrigliaMese::Giorni - 1 ? kPrimoPrezzo : indice + 1;
    if (casellaPrezzo(indice) && !casellaPrezzo(prossima))
        m_t[0]->setFocus(Qt::TabFocusReason);
    else
        m_text1[size_t(prossima)]->setFocus(Qt::TabFocusReason);
}

void SBMese::registra()
{
    QStringList disponibilita, prezzi;
    for (int g = 0; g < GrigliaMese::Giorni; ++g) {
        disponibilita.append(m_text1[size_t(kPrimaDisponibilita + g)]->text());
        prezzi.append(m_text1[size_t(kPrimoPrezzo + g)]->text());
    }
    if (const auto rifiuto = m_griglia.registra(m_tipo, disponibilita, prezzi)) {
        if (rifiuto->casella < 0)
            m_list1->setFocus(Qt::OtherFocusReason);
        errore(rifiuto->testo);
        if (rifiuto->casella >= 0)
            m_text1[size_t(rifiuto->casella)]->setFocus(Qt::OtherFocusReason);
        return;
    }
    mostra();
}

void SBMese::importa()
{
    m_griglia.importaDaQV();
    mostra();
}

void SBMese::prepara()
{
    if (m_preparazione)
        m_preparazione(m_griglia);
    else
        m_griglia.preparaFile();
}

void SBMese::reject()
{
    if (!m_griglia.preparato() &&
        m_ctx.op().ask(u"Invio File"_s, u"Non è stato preparato il file per l'invio al web! Confermi l'uscita?"_s,
                       OperatorPort::Answer::No) != OperatorPort::Answer::Yes) {
        m_t[3]->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::reject();
}

void SBMese::errore(const QString& testo)
{
    m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Exclamation);
}

bool SBMese::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text2) {
        if (event->type() == QEvent::KeyPress) {
            const int k = static_cast<QKeyEvent*>(event)->key();
            if (k == Qt::Key_Return || k == Qt::Key_Enter) {
                invioData();
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }
    const auto it = std::find(m_text1.begin(), m_text1.end(), watched);
    if (it == m_text1.end())
        return QDialog::eventFilter(watched, event);
    const int indice = int(std::distance(m_text1.begin(), it));
    if (event->type() == QEvent::FocusIn) {
        // A box that gets the focus back from a message box is not entered again.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
            casellaConFuoco(indice);
    } else if (event->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            if (indice == kModifica)
                invioCella();
            else if (casellaDisponibilita(indice) || casellaPrezzo(indice))
                invioCasella(indice);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
