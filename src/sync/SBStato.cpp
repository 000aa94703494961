#include "sync/SBStato.h"

#include "context/AppContext.h"
#include "store/DaySlots.h"
#include "sync/RapportoStato.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QString SBStato::colore(int livello)
{
    return livello == 0 ? u"#2e7d32"_s : livello == 1 ? u"#f9a825"_s : u"#c62828"_s;
}

SBStato::SBStato(AppContext& ctx, QWidget* parent) : QDialog(parent)
{
    setObjectName(u"SBStato"_s);
    setWindowTitle(u"Stato"_s);
    setModal(true);
    const RapportoStato rapporto = RapportoStato::leggi(ctx.workDir(), ctx.clock().now());

    auto* colonna = new QVBoxLayout(this);
    m_riassunto = new QLabel(rapporto.righe().join(u'\n'), this);
    m_riassunto->setStyleSheet(u"QLabel { color: white; padding: 6px; background: "_s +
                               colore(int(rapporto.livello())) + u"; }"_s);
    colonna->addWidget(m_riassunto);

    const auto lista = [&](const QString& titolo, const QStringList& righe, const QString& vuota) {
        colonna->addWidget(new QLabel(titolo, this));
        auto* l = new QListWidget(this);
        l->addItems(righe.isEmpty() ? QStringList{vuota} : righe);
        l->setMaximumHeight(90);
        colonna->addWidget(l);
        return l;
    };
    m_lista1 = lista(u"Prenotazioni web in attesa di QV"_s, rapporto.inAttesa(), u"Nessuna"_s);
    m_lista2 = lista(u"Scambi non riusciti"_s, rapporto.scambiFalliti(), u"Nessuno"_s);

    colonna->addWidget(new QLabel(u"Disponibilità: detta al servizio \u2192 da offrire"_s, this));
    const RapportoStato::GrigliaDeriva g = rapporto.grigliaDeriva();
    m_griglia = new QTableWidget(int(g.tipi.size()), int(g.giorni.size()), this);
    m_griglia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_griglia->setVerticalHeaderLabels(g.tipi);
    QStringList giorni;
    for (const QDate& d : g.giorni)
        giorni.append(d.toString(u"dd/MM"_s));
    m_griglia->setHorizontalHeaderLabels(giorni);
    for (int t = 0; t < g.tipi.size(); ++t)
        for (int d = 0; d < g.giorni.size(); ++d)
            if (const RapportoStato::Cella* c = g.cella(t, d)) {
                auto* item = new QTableWidgetItem(c->testo);
                if (c->rischio) {
                    item->setBackground(QColor(colore(2)));
                    item->setForeground(Qt::white);
                }
                m_griglia->setItem(t, d, item);
            }
    m_griglia->resizeColumnsToContents();
    colonna->addWidget(m_griglia, 1);

    auto* chiudi = new QPushButton(u"&Esci"_s, this);
    connect(chiudi, &QPushButton::clicked, this, &QDialog::accept);
    colonna->addWidget(chiudi, 0, Qt::AlignLeft);
    resize(760, 520);
}
