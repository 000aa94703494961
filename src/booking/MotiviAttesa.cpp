#include "booking/MotiviAttesa.h"

#include "store/StoreError.h"
#include "sync/ArchivioSync.h"

#include <QDateTime>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The reasons named in the closing line; the others are only counted.
constexpr int kMotiviNominati = 3;
constexpr qsizetype kLunghezzaMotivo = 200;

} // namespace

MotiviAttesa::MotiviAttesa(Database& interfaccia)
{
    try {
        m_registrati = ArchivioSync::motiviAttesa(interfaccia);
    } catch (const StoreError&) {
        // An interface database without the table yet, or one held by another program.
    }
}

bool MotiviAttesa::daDire(const QString& nPren, const QString& chi, const QString& testo)
{
    // The reason without the reservation's name: "manca il contatore ...", the same for all it stops.
    QString motivo = testo.startsWith(chi) ? testo.mid(chi.size()) : testo;
    while (!motivo.isEmpty() && (motivo.front() == u':' || motivo.front() == u' '))
        motivo.remove(0, 1);
    const QString chiave = nPren.trimmed();
    const bool giaDetto = m_registrati.value(chiave) == motivo || m_detti.contains(motivo);
    if (m_registrati.value(chiave) != motivo)
        m_nuovi.insert(chiave, motivo);
    if (giaDetto) {
        ++m_taciuti[motivo];
        return false;
    }
    m_detti.insert(motivo);
    return true;
}

QString MotiviAttesa::chiudi(Database& interfaccia, const QDateTime& ora)
{
    try {
        ArchivioSync::registraMotivi(interfaccia, m_nuovi, ora);
        for (auto it = m_nuovi.cbegin(); it != m_nuovi.cend(); ++it)
            m_registrati.insert(it.key(), it.value());
    } catch (const StoreError&) {
        // Not stored: the reasons are told again by the next review.
    }
    m_nuovi.clear();
    m_detti.clear();
    if (m_taciuti.isEmpty())
        return {};
    QList<std::pair<int, QString>> perNumero;
    int totale = 0;
    for (auto it = m_taciuti.cbegin(); it != m_taciuti.cend(); ++it) {
        perNumero.append({it.value(), it.key()});
        totale += it.value();
    }
    m_taciuti.clear();
    std::stable_sort(perNumero.begin(), perNumero.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList motivi;
    for (qsizetype i = 0; i < std::min<qsizetype>(perNumero.size(), kMotiviNominati); ++i) {
        const QString& m = perNumero.at(i).second;
        motivi << u'(' + QString::number(perNumero.at(i).first) + u") "_s +
                      (m.size() > kLunghezzaMotivo ? m.left(kLunghezzaMotivo) + u"..."_s : m);
    }
    if (perNumero.size() > kMotiviNominati)
        motivi << u"(e altri "_s + QString::number(perNumero.size() - kMotiviNominati) + u" motivi)"_s;
    return (totale == 1 ? u"1 prenotazione web resta"_s : QString::number(totale) + u" prenotazioni web restano"_s) +
           u" in attesa per motivi già segnalati (l'elenco è nella finestra Stato): "_s + motivi.join(u' ');
}
