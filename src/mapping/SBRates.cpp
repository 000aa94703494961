#include "mapping/SBRates.h"

#include <QComboBox>
#include <QLineEdit>

SBRates::SBRates(AppContext& ctx, QWidget* parent)
    : FinestraMappatura({u"SBRates", u"Rates assignment", u"TABLE OF RATES", {u"QV type", u"QV code"}, false}, parent),
      m_modello(ctx)
{
    m_modello.apri();
    mostraAlberghi(m_modello.alberghi());
    riempi(Combo2(0), m_modello.arrangiamenti());
    riempi(Combo2(1), m_modello.vociFattura());
}

void SBRates::rigaScelta(int indice)
{
    const auto scelta = m_modello.scegliRiga(indice);
    if (!scelta)
        return;
    Text1(0)->setText(scelta->id);
    Text1(1)->setText(scelta->descrizione);
    mostraVoce(Combo2(0), scelta->arrangiamento);
    mostraVoce(Combo2(1), scelta->voce);
}

void SBRates::salva()
{
    m_modello.salva(Text1(0)->text(), Text1(1)->text(), Combo2(0)->currentIndex(), Combo2(1)->currentIndex());
    mostraRighe(m_modello.righe());
}
