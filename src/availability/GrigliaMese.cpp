#include "availability/GrigliaMese.h"

#include "availability/CamereLibere.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/TextFile.h"
#include "store/ValueCleaning.h"

#include <QHash>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kTipi = u"Select QVRooms From Rooms Where QVRooms In (Select Sigla From TipiCamere In 'TipiCamere.mdb' "
                      u"Where Tipologia = 'C') Group by QVRooms;"_s;
// The most rooms a file may offer for a day: the availability send accepts no more.
constexpr qint64 kMassimo = 9999;

QString intero(qint64 v)
{
    return QString::number(v);
}

} // namespace

GrigliaMese::GrigliaMese(AppContext& ctx) : m_ctx(ctx) {}

bool GrigliaMese::costruisci(const QDate& inizio)
{
    m_inizio = inizio;
    m_tipi.clear();
    try {
        Database db(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(kTipi);
        for (bool f = rs.FindFirst(u"QVRooms > ''"_s); f; f = rs.FindNext(u"QVRooms > ''"_s)) {
            const QString sigla = rs[u"QVRooms"_s].toString().trimmed();
            if (!sigla.isEmpty())
                m_tipi.append(Tipo{sigla, {}, {}});
        }
    } catch (const StoreError& e) {
        m_tipi.clear();
        m_ctx.op().inform(u"Errore"_s, e.text() + u" ("_s + QString::number(e.number()) + u')',
                          OperatorPort::Icon::Critical);
        return false;
    }
    return true;
}

int GrigliaMese::righe() const
{
    return std::max(RigheMinime, 1 + 3 * tipi());
}

GrigliaMese::Riga GrigliaMese::genere(int riga) const
{
    if (riga == 0)
        return Riga::Intestazione;
    if (riga < 0 || (riga - 1) / 3 >= tipi())
        return Riga::Vuota;
    switch ((riga - 1) % 3) {
    case 0:
        return Riga::Disponibilita;
    case 1:
        return Riga::Prezzo;
    default:
        return Riga::Vuota;
    }
}

QString GrigliaMese::intestazione(int giorno) const
{
    return u"  "_s + QString::number(m_inizio.addDays(giorno).day()).rightJustified(2, u'0') + u"   "_s;
}

QString GrigliaMese::cellaGiorno(int riga, int giorno) const
{
    const int tipo = (riga - 1) / 3;
    switch (genere(riga)) {
    case Riga::Intestazione:
        return intestazione(giorno);
    case Riga::Disponibilita:
        return cellaDisponibilita(disponibilita(tipo, giorno));
    case Riga::Prezzo:
        return cellaPrezzo(prezzo(tipo, giorno));
    case Riga::Vuota:
        break;
    }
    return {};
}

QString GrigliaMese::cella(int riga, int colonna) const
{
    if (colonna >= 2 && colonna < Colonne)
        return cellaGiorno(riga, colonna - 2);
    switch (genere(riga)) {
    case Riga::Disponibilita:
        return colonna == 0 ? sigla((riga - 1) / 3) : u" Disp.  "_s;
    case Riga::Prezzo:
        return colonna == 0 ? QString() : u" Prezzi "_s;
    default:
        return {};
    }
}

QString GrigliaMese::rigaLista(int riga) const
{
    QString inizio;
    switch (genere(riga)) {
    case Riga::Intestazione:
        inizio = QString(InizioGiorni, u' ');
        break;
    case Riga::Disponibilita:
        inizio = tagliaTesto(sigla((riga - 1) / 3), LarghezzaSigla).leftJustified(LarghezzaSigla, u' ') + u" Disp.  "_s;
        break;
    case Riga::Prezzo:
        inizio = QString(LarghezzaSigla, u' ') + u" Prezzi "_s;
        break;
    case Riga::Vuota:
        return u" "_s;
    }
    QString out = inizio;
    out.reserve(InizioGiorni + Giorni * LarghezzaCella);
    for (int g = 0; g < Giorni; ++g)
        out += cellaGiorno(riga, g);
    return out;
}

QStringList GrigliaMese::lista() const
{
    QStringList out;
    const int n = 1 + 3 * tipi();
    out.reserve(n);
    for (int r = 0; r < n; ++r)
        out.append(rigaLista(r));
    return out;
}

int GrigliaMese::tipoDellaRiga(int riga) const
{
    return genere(riga) == Riga::Disponibilita ? (riga - 1) / 3 : -1;
}

QString GrigliaMese::testoDisponibilita(qint64 valore)
{
    return intero(valore);
}

QString GrigliaMese::testoPrezzo(double valore)
{
    return ItalianNumber::format(valore, u"0.00"_s);
}

QString GrigliaMese::cellaDisponibilita(qint64 valore)
{
    if (valore == 0)
        return u"   0   "_s;
    return (u"  "_s + intero(valore)).leftJustified(LarghezzaCella, u' ');
}

QString GrigliaMese::cellaPrezzo(double valore)
{
    const QString testo = testoPrezzo(valore);
    if (testo.size() < LarghezzaCella)
        return testo.rightJustified(LarghezzaCella - 1, u' ') + u' ';
    if (testo.size() == LarghezzaCella)
        return testo;
    // Too long with its decimals: the whole part shows (the model keeps the value).
    return intero(qint64(std::trunc(valore))).rightJustified(LarghezzaCella, u' ');
}

std::optional<qint64> GrigliaMese::leggiDisponibilita(const QString& testo)
{
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v > kMassimo || v < -kMassimo)
        return std::nullopt;
    return v;
}

std::optional<double> GrigliaMese::leggiPrezzo(const QString& testo)
{
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return 0.0;
    const auto v = ItalianNumber::parse(t);
    if (!v || !std::isfinite(*v) || std::abs(*v) >= 1e15 || intero(qint64(std::trunc(*v))).size() > LarghezzaCella)
        return std::nullopt;
    return *v;
}

namespace {

QString rifiutoDisponibilita(const QString& testo)
{
    return u"\""_s + testo.trimmed() + u"\" non è un numero intero di camere da -"_s + QString::number(kMassimo) +
           u" a "_s + QString::number(kMassimo) + u'.';
}

QString rifiutoPrezzo(const QString& testo)
{
    return u"\""_s + testo.trimmed() + u"\" non è un prezzo (un numero come 95,50, al massimo 7 cifre intere)."_s;
}

} // namespace

std::optional<QString> GrigliaMese::modificaCella(int riga, int colonna, const QString& testo)
{
    if (colonna < 2 || colonna >= Colonne)
        return std::nullopt;
    const int tipo = (riga - 1) / 3;
    const int giorno = colonna - 2;
    switch (genere(riga)) {
    case Riga::Disponibilita:
        if (const auto v = leggiDisponibilita(testo)) {
            m_tipi[tipo].disponibilita.at(size_t(giorno)) = *v;
            m_preparato = false;
            return std::nullopt;
        }
        return rifiutoDisponibilita(testo);
    case Riga::Prezzo:
        if (const auto v = leggiPrezzo(testo)) {
            m_tipi[tipo].prezzi.at(size_t(giorno)) = *v;
            m_preparato = false;
            return std::nullopt;
        }
        return rifiutoPrezzo(testo);
    default:
        return std::nullopt;
    }
}

std::optional<GrigliaMese::Rifiuto> GrigliaMese::registra(int tipo, const QStringList& disponibilita,
                                                          const QStringList& prezzi)
{
    if (tipo < 0 || tipo >= tipi())
        return Rifiuto{-1, u"Selezionare una camera!"_s};
    Tipo nuovo = m_tipi.at(tipo);
    for (int g = 0; g < Giorni; ++g) {
        const QString d = g < disponibilita.size() ? disponibilita.at(g) : QString();
        const QString p = g < prezzi.size() ? prezzi.at(g) : QString();
        const QString giorno = TextDate::toDmy(this->giorno(g));
        const auto vd = leggiDisponibilita(d);
        if (!vd)
            return Rifiuto{2 + g, u"Disponibilità del "_s + giorno + u": "_s + rifiutoDisponibilita(d)};
        const auto vp = leggiPrezzo(p);
        if (!vp)
            return Rifiuto{34 + g, u"Prezzo del "_s + giorno + u": "_s + rifiutoPrezzo(p)};
        nuovo.disponibilita.at(size_t(g)) = *vd;
        nuovo.prezzi.at(size_t(g)) = *vp;
    }
    m_tipi[tipo] = nuovo;
    m_preparato = false;
    return std::nullopt;
}

bool GrigliaMese::importaDaQV()
{
    try {
        QStringList sigle;
        for (const Tipo& t : m_tipi)
            sigle.append(t.sigla);
        const auto libere =
            CamereLibere::leggi(m_ctx.workDir(), sigle, CamereLibere::quantita(m_ctx.workDir()), m_inizio, Giorni);
        for (qsizetype t = 0; t < m_tipi.size(); ++t)
            for (int g = 0; g < Giorni; ++g) {
                const qint64 v = libere[size_t(t)][size_t(g)];
                // No free room: -1 closes the day at the service.
                m_tipi[t].disponibilita.at(size_t(g)) = v == 0 ? -1 : v;
            }
        m_preparato = false;
        return true;
    } catch (const StoreError& e) {
        m_ctx.op().inform(u"Errore"_s, e.text() + u" ("_s + QString::number(e.number()) + u')',
                          OperatorPort::Icon::Critical);
    }
    return false;
}

QStringList GrigliaMese::righeFile() const
{
    QStringList out;
    const QString data = TextDate::toDmy(m_inizio);
    for (const Tipo& t : m_tipi) {
        QString avail = data + u',' + t.sigla + u",Avail,"_s;
        QString price = data + u',' + t.sigla + u",Price,"_s;
        for (int g = 0; g < Giorni; ++g) {
            const qint64 v = t.disponibilita.at(size_t(g));
            // Positive: the rooms to offer; negative: "0" closes the day; zero: the day is left as it is.
            avail += (v > 0 ? intero(v) : v < 0 ? u"0"_s : QString()) + u',';
            const qint64 p = qint64(std::trunc(t.prezzi.at(size_t(g))));
            price += (p > 0 ? intero(p) : QString()) + u',';
        }
        out.append(avail);
        out.append(price);
    }
    return out;
}

std::optional<QString> GrigliaMese::preparaFile()
{
    // QV may count more free rooms than a file can offer: the operator decides what to offer instead.
    for (const Tipo& t : m_tipi)
        for (int g = 0; g < Giorni; ++g)
            if (t.disponibilita.at(size_t(g)) > kMassimo) {
                m_ctx.op().inform(u"Errore"_s,
                                  u"Le camere "_s + t.sigla + u" del "_s + TextDate::toDmy(giorno(g)) + u" sono "_s +
                                      intero(t.disponibilita.at(size_t(g))) + u": se ne possono offrire al massimo "_s +
                                      intero(kMassimo) + u". Il file non è stato preparato."_s,
                                  OperatorPort::Icon::Exclamation);
                return std::nullopt;
            }
    const QString nome = u"WBValuesRooms"_s + TextDate::stamp14(m_ctx.clock().now()) + u".txt"_s;
    const QString errore = TextFile::writeLines(m_ctx.workDir().filePath(nome), righeFile());
    if (!errore.isEmpty()) {
        m_ctx.op().inform(u"Errore"_s, u"Impossibile scrivere il file "_s + nome + u": "_s + errore,
                          OperatorPort::Icon::Critical);
        return std::nullopt;
    }
    m_preparato = true;
    return nome;
}

QString GrigliaMese::NormalizzaData(const QString& testo)
{
    const QString t = testo.trimmed();
    const bool cifre = std::all_of(t.cbegin(), t.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!cifre)
        return testo;
    // Every six-digit year is of this century: the file's dates are read as today's or later.
    if (t.size() == 6)
        return t.mid(0, 2) + u'/' + t.mid(2, 2) + u"/20"_s + t.mid(4, 2);
    if (t.size() == 8)
        return t.mid(0, 2) + u'/' + t.mid(2, 2) + u'/' + t.mid(4, 4);
    return testo;
}

std::optional<QDate> GrigliaMese::dataInizio(const QString& testo)
{
    const QString t = NormalizzaData(testo).trimmed();
    if (!DataValida(t))
        return std::nullopt;
    const QDate d(t.mid(6, 4).toInt(), t.mid(3, 2).toInt(), t.mid(0, 2).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}
