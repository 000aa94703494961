#include "shell/SBookParam.h"

#include "context/AppContext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The two passwords: Prov Pwd and Password.
constexpr int kCampiPassword[] = {2, 4};

} // namespace

SBookParam::SBookParam(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(u"SBookParam"_s);
    setWindowTitle(u"Parametri web services"_s);
    setModal(true);
    // Topmost at each activation; the flag holds for as long as the window is open.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* colonna = new QVBoxLayout(this);

    // "Attivo" at the top left; the two other boxes at the top right, one above the other.
    auto* caselle = new QGridLayout;
    m_chk = new QCheckBox(u"Attivo"_s, this);
    m_check1 = new QCheckBox(u"Assegnazione automatica"_s, this);
    m_check2 = new QCheckBox(u"Cancellazione definitiva"_s, this);
    m_check3 = new QCheckBox(u"Pubblica la disponibilità a ogni ciclo"_s, this);
    m_text2 = new QLineEdit(this);
    m_chk->setObjectName(u"Chk"_s);
    m_check1->setObjectName(u"Check1"_s);
    m_check2->setObjectName(u"Check2"_s);
    m_check3->setObjectName(u"Check3"_s);
    m_text2->setObjectName(u"Text2"_s);
    m_text2->setPlaceholderText(u"31"_s);
    m_text2->setMaximumWidth(60);
    auto* orizzonte = new QHBoxLayout;
    auto* giorni = new QLabel(u"Giorni da pubblicare"_s, this);
    giorni->setBuddy(m_text2);
    orizzonte->addWidget(giorni);
    orizzonte->addWidget(m_text2);
    orizzonte->addStretch(1);
    caselle->addWidget(m_chk, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    caselle->addWidget(m_check1, 0, 2, Qt::AlignLeft);
    caselle->addWidget(m_check2, 1, 2, Qt::AlignLeft);
    caselle->addWidget(m_check3, 2, 2, Qt::AlignLeft);
    caselle->addLayout(orizzonte, 3, 2);
    m_text3 = new QLineEdit(this);
    m_text3->setObjectName(u"Text3"_s);
    m_text3->setPlaceholderText(u"60"_s);
    m_text3->setMaximumWidth(60);
    m_text3->setToolTip(u"0: le copie degli scambi non vengono mai eliminate"_s);
    auto* conservazione = new QHBoxLayout;
    auto* giorniCopie = new QLabel(u"Giorni di conservazione delle copie"_s, this);
    giorniCopie->setBuddy(m_text3);
    conservazione->addWidget(giorniCopie);
    conservazione->addWidget(m_text3);
    conservazione->addStretch(1);
    caselle->addLayout(conservazione, 4, 2);
    caselle->setColumnStretch(1, 1);
    colonna->addLayout(caselle);
    colonna->addSpacing(8);

    auto* campi = new QGridLayout;
    for (int i = 0; i < NumeroCampi; ++i) {
        auto* etichetta = new QLabel(Settings::etichetta(i), this);
        auto* campo = new QLineEdit(this);
        etichetta->setObjectName(u"Label1_"_s + QString::number(i));
        campo->setObjectName(u"Text1_"_s + QString::number(i));
        campo->setMinimumWidth(300);
        campo->installEventFilter(this);
        etichetta->setBuddy(campo);
        campi->addWidget(etichetta, i, 0);
        campi->addWidget(campo, i, 1);
        m_label1[size_t(i)] = etichetta;
        m_text1[size_t(i)] = campo;
    }
    // Typed characters of the passwords show as "*".
    for (const int i : kCampiPassword) {
        m_text1[size_t(i)]->setEchoMode(QLineEdit::Password);
        m_text1[size_t(i)]->setStyleSheet(u"lineedit-password-character: 42;"_s);
    }
    colonna->addLayout(campi);
    colonna->addSpacing(8);

    auto* pulsanti = new QHBoxLayout;
    m_t[0] = new QPushButton(u"&Registra"_s, this);
    m_t[1] = new QPushButton(u"&Esci"_s, this);
    for (int i = 0; i < 2; ++i) {
        m_t[size_t(i)]->setObjectName(u"T_"_s + QString::number(i));
        m_t[size_t(i)]->setMinimumWidth(110);
        // Enter in a field moves the focus; only a button that has the focus reacts to it.
        m_t[size_t(i)]->setAutoDefault(true);
        m_t[size_t(i)]->setDefault(false);
        pulsanti->addWidget(m_t[size_t(i)]);
    }
    pulsanti->addStretch(1);
    colonna->addLayout(pulsanti);

    connect(m_t[0], &QPushButton::clicked, this, &SBookParam::registra);
    connect(m_t[1], &QPushButton::clicked, this, &QDialog::reject);

    // Tab order follows the layout: the boxes, the fields in index order, then the buttons.
    QWidget* ordine[] = {m_chk,      m_check1,   m_check2,   m_check3,   m_text2,    m_text3,
                         m_text1[0], m_text1[1], m_text1[2], m_text1[3], m_text1[4], m_text1[5],
                         m_text1[6], m_text1[7], m_text1[8], m_t[0],     m_t[1]};
    for (size_t i = 1; i < std::size(ordine); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);

    mostra(ParametriForm::fromFile(m_ctx.workDir().path()));
}

void SBookParam::mostra(const ParametriForm& form)
{
    m_chk->setChecked(form.attivo);
    for (int i = 0; i < NumeroCampi; ++i)
        m_text1[size_t(i)]->setText(form.testi[i]);
    m_check1->setChecked(form.assegnazioneAutomatica);
    m_check2->setChecked(form.cancellazioneDefinitiva);
    m_check3->setChecked(form.pubblica);
    m_text2->setText(form.orizzonte);
    m_text3->setText(form.conservazione);
    m_altreRighe = form.altreRighe;
}

ParametriForm SBookParam::modulo() const
{
    ParametriForm form;
    form.attivo = m_chk->isChecked();
    for (int i = 0; i < NumeroCampi; ++i)
        form.testi[i] = m_text1[size_t(i)]->text();
    form.assegnazioneAutomatica = m_check1->isChecked();
    form.cancellazioneDefinitiva = m_check2->isChecked();
    form.pubblica = m_check3->isChecked();
    form.orizzonte = m_text2->text();
    form.conservazione = m_text3->text();
    form.altreRighe = m_altreRighe;
    return form;
}

void SBookParam::registra()
{
    // A file that cannot be written has been reported; the window stays open with what was typed.
    if (modulo().registra(m_ctx.workDir().path(), m_ctx.settings, m_ctx.op()))
        accept();
}

void SBookParam::showEvent(QShowEvent* event)
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

bool SBookParam::eventFilter(QObject* watched, QEvent* event)
{
    auto* campo = qobject_cast<QLineEdit*>(watched);
    if (!campo)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // The whole text is selected, however the field got the focus (a click would place the cursor).
        QTimer::singleShot(0, campo, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const auto it = std::find(m_text1.begin(), m_text1.end(), campo);
            const auto i = std::distance(m_text1.begin(), it);
            if (i + 1 < NumeroCampi)
                m_text1[size_t(i + 1)]->setFocus(Qt::TabFocusReason);
            else
                m_t[0]->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
