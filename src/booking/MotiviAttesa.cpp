#include "booking/MotiviAttesa.h"

#include "store/StoreError.h"
#include "sync/ArchivioSync.h"

#include <QDateTime>
#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

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
    QStringList& chi_ = m_perMotivo[motivo];
    if (!chi_.contains(chiave))
        chi_.append(chiave);
    if (giaDetto) {
        m_taciuti.insert(motivo);
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
    const QMap<QString, QStringList> perMotivo = std::exchange(m_perMotivo, {});
    const QSet<QString> taciuti = std::exchange(m_taciuti, {});
    if (taciuti.isEmpty())
        return {};
    // Each reason once, with every reservation it keeps waiting, the most shared first.
    QList<std::pair<QString, QStringList>> motivi;
    qsizetype totale = 0;
    for (auto it = perMotivo.cbegin(); it != perMotivo.cend(); ++it)
        if (taciuti.contains(it.key())) {
            motivi.append({it.key(), it.value()});
            totale += it.value().size();
        }
    std::stable_sort(motivi.begin(), motivi.end(),
                     [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
    QStringList righe;
    for (const auto& [m, chi] : std::as_const(motivi)) {
        QString motivo = m.size() > kLunghezzaMotivo ? m.left(kLunghezzaMotivo) + u"..."_s : m;
        while (motivo.endsWith(u'.'))
            motivo.chop(1);
        righe << motivo + u": "_s + chi.join(u", "_s);
    }
    return (totale == 1 ? u"1 prenotazione web resta"_s : QString::number(totale) + u" prenotazioni web restano"_s) +
           u" in attesa (l'elenco è nella finestra Stato):\r\n"_s + righe.join(u"\r\n"_s);
}
