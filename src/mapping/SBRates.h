#pragma once

#include "mapping/MappaturaTariffe.h"
#include "mapping/SBRooms.h"

// "Rates assignment": the service's rate plans bound to a QV arrangement and charge item.
class SBRates final : public FinestraMappatura
{
    Q_OBJECT

public:
    explicit SBRates(AppContext& ctx, QWidget* parent = nullptr);

    const MappaturaTariffe& modello() const { return m_modello; }

private:
    Mappatura& mappatura() override { return m_modello; }
    void rigaScelta(int indice) override;
    void salva() override;

    MappaturaTariffe m_modello;
};
