#include "context/Avanzamento.h"

using namespace Qt::StringLiterals;

void Avanzamento::passo(const QString& fase, qsizetype fatti, qsizetype totale)
{
    m_corrente = fatti;
    if (!m_mostra || totale <= 1)
        return;
    const bool estremo = fatti <= 1 || fatti >= totale;
    if (!m_schermo.isValid() || estremo || m_schermo.hasExpired(IntervalloSchermoMs)) {
        const bool registro = !m_registro.isValid() || m_registro.hasExpired(IntervalloRegistroMs) || fatti >= totale;
        if (registro)
            m_registro.start();
        m_schermo.start();
        m_mostrato = true;
        m_mostra(fase + u' ' + QString::number(fatti) + u" di "_s + QString::number(totale), registro);
    }
}

void Avanzamento::fine()
{
    if (m_mostra && m_mostrato)
        m_mostra(QString(), false);
    m_mostrato = false;
    m_corrente = 0;
    m_schermo.invalidate();
    m_registro.invalidate();
}
