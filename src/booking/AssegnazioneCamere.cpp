#include "booking/AssegnazioneCamere.h"

#include "booking/FileAperti.h"
#include "booking/VerificaCamera.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kCrLf = u"\r\n"_s;

// A level of the room type mapping without a QV type is a mapping not made yet.
constexpr int kLivelliMassimi = 1000;

// QV's booking numbers are 32-bit: the last one can be stored but never grown.
constexpr qint64 kNumeroMassimo = 2147483647;

} // namespace

QStringList AssegnazioneCamere::fileNumerati()
{
    return {u"Scheda_Prenotazione.mdb"_s, u"Camere_Prenotazione.mdb"_s, u"Arrangiamento.mdb"_s,
            u"ListaClienti_Prenotazione.mdb"_s, u"RifAllot_Prenotazione.mdb"_s};
}

namespace {

QString nomeContatore(qint16 numeroHotel)
{
    return u"il contatore delle prenotazioni di QV (tabella Contatori, NumeroHotel = "_s +
           QString::number(numeroHotel) + u')';
}

// The hotel's counter, found on contatori, or why no number can be drawn from it.
std::optional<qint64> valoreContatore(Recordset& contatori, qint16 numeroHotel, QString& problema)
{
    if (!contatori.FindFirst(u"NumeroHotel = ?"_s, {numeroHotel})) {
        problema = u"manca "_s + nomeContatore(numeroHotel);
        return std::nullopt;
    }
    // A text, a fraction, a negative number or Null read as 0 would hand out numbers QV has used;
    // a negative booking never blocks a room.
    const QVariant valore = contatori.Field(u"PrenotazioniHotel"_s);
    bool numerico = false;
    const double letto = valore.isNull() ? 0 : valore.toDouble(&numerico);
    if (!numerico || letto != std::floor(letto) || letto < 0 || letto >= kNumeroMassimo) {
        problema = nomeContatore(numeroHotel) +
                   (numerico && letto >= kNumeroMassimo ? u" è al massimo ("_s : u" non vale un numero valido ("_s) +
                   (valore.isNull() ? u"vuoto"_s : valore.toString()) + u')';
        return std::nullopt;
    }
    return qint64(letto);
}

} // namespace

QString AssegnazioneCamere::problemaContatore(Database& db, qint16 numeroHotel)
{
    Recordset contatori = db.OpenRecordset(u"Contatori"_s);
    QString problema;
    valoreContatore(contatori, numeroHotel, problema);
    return problema;
}

AssegnazioneCamere::NumeroNuovo AssegnazioneCamere::NuovoNumeroPrenotazione(Database& db, qint16 numeroHotel)
{
    NumeroNuovo out;
    const QString contatore = nomeContatore(numeroHotel);
    Recordset contatori = db.OpenRecordset(u"Contatori"_s);
    const std::optional<qint64> letto = valoreContatore(contatori, numeroHotel, out.problema);
    if (!letto)
        return out;

    // Tables of files QV does not have hold no number.
    QStringList ricerche;
    for (const auto& [tabella, campo] : {std::pair{u"Scheda_Prenotazione", u"NumeroPrenotazione"},
                                         {u"Camere_Prenotazione", u"NumeroPrenotazione"},
                                         {u"Arrangiamento", u"CodiceCliente"},
                                         {u"ListaClienti_Prenotazione", u"NumeroPrenotazione"},
                                         {u"RifAllot_Prenotazione", u"NumeroPrenotazione"}}) {
        const QString nome = QString::fromUtf16(tabella);
        const QString chiave = QString::fromUtf16(campo);
        if (db.hasTable(nome))
            ricerche << u"SELECT "_s + chiave + u" FROM "_s + nome + u" WHERE "_s + chiave + u" = ?"_s;
    }
    qint64 numero = *letto + 1;
    for (;; ++numero) {
        if (numero >= kNumeroMassimo) {
            out.problema = contatore + u" non può crescere oltre "_s + QString::number(numero - 1) +
                           u": i numeri successivi sono già usati in QV"_s;
            return out;
        }
        bool usato = false;
        for (const QString& sql : std::as_const(ricerche))
            if (db.OpenRecordset(sql, {numero}).FindFirst({})) {
                usato = true;
                break;
            }
        if (!usato)
            break;
        if (out.saltati++ == 0)
            out.primoSaltato = qint32(numero);
    }
    contatori.Edit();
    contatori.setField(u"PrenotazioniHotel"_s, numero);
    contatori.Update();
    out.numero = qint32(numero);
    return out;
}

AssegnazioneCamere::NumeroNuovo AssegnazioneCamere::NuovoNumeroPrenotazione()
{
    Database db(m_ctx.workDir(), QString::fromUtf16(FileContatori));
    for (const QString& file : fileNumerati())
        if (QFileInfo::exists(databaseFile(m_ctx.workDir(), file)))
            db.attach(file);
    Database::Transaction work(db);
    auto numero = NuovoNumeroPrenotazione(db, m_ctx.NumeroHotelCorrente);
    work.commit();
    return numero;
}

QString AssegnazioneCamere::CercaCamereLibere(const QString& tipoWeb, const QString& dal, const QString& al,
                                              const CamereRichieste& camere)
{
    FileAperti file(m_ctx);
    return CercaCamereLibere(file, tipoWeb, dal, al, camere);
}

QStringList AssegnazioneCamere::tipiQv(FileAperti& file, const QString& tipoWeb)
{
    Recordset tipi = file.interfaccia().OpenRecordset(u"Rooms"_s);
    QStringList out;
    for (int livello = 1; livello <= kLivelliMassimi; ++livello) {
        if (!tipi.FindFirst(u"RoomsId = ? and RoomsLevel = ?"_s, {tipoWeb.trimmed(), livello}))
            break;
        out << tipi.Field(u"QVRooms"_s).toString().trimmed();
    }
    return out;
}

QString AssegnazioneCamere::CercaCamereLibere(FileAperti& file, const QString& tipoWeb, const QString& dal,
                                              const QString& al, const CamereRichieste& camere, qint32 escluso)
{
    m_elencoCamereLibere = u","_s;
    QString risultato = kCrLf;
    Recordset tipi = file.interfaccia().OpenRecordset(u"Rooms"_s);
    if (tipi.FindFirst(u"RoomsId = ?"_s, {tipoWeb.trimmed()})) {
        const QString roomsId = tipi.Field(u"RoomsId"_s).toString().toUpper();
        // What is taken is read once for the stay, not asked room by room.
        const QSet<QString> occupate = file.controllo().occupate(dal, al, escluso);
        Database& numeri = file.numeri();
        const QString camereDelTipo = u"SELECT NumeroCamera, TipoCamera, PostiLetto, Attributi FROM "_s +
                                      numeri.table(u"NumeriCamere"_s)->sql + u" WHERE TipoCamera = ? ORDER BY rowid"_s;
        for (int livello = 1; livello <= kLivelliMassimi; ++livello) {
            if (!tipi.FindFirst(u"RoomsId = ? and RoomsLevel = ?"_s, {roomsId, livello}))
                break;
            const QString tipoQv = tipi.Field(u"QVRooms"_s).toString();
            QSqlQuery& q = numeri.run(camereDelTipo, {tipoQv});
            while (q.next()) {
                const QString camera = q.value(0).toString();
                // A room without a number has no place on the rack and can never be seen as taken.
                if (camera.trimmed().isEmpty() || camere.scelta(camera) || inElenco(camera) ||
                    occupate.contains(ControlloCamere::chiave(camera)))
                    continue;
                m_elencoCamereLibere += camera + u',';
                risultato += camera + u' ' + q.value(1).toString() + u" n. letti "_s + q.value(2).toString() + u' ' +
                             q.value(3).toString() + kCrLf;
            }
            q.finish();
        }
    }
    if (m_elencoCamereLibere == u",")
        return u",,"_s;
    return risultato;
}

QString AssegnazioneCamere::primaCameraLibera() const
{
    const qsizetype fine = m_elencoCamereLibere.indexOf(u',', 1);
    return fine > 1 ? m_elencoCamereLibere.mid(1, fine - 1) : QString();
}

bool AssegnazioneCamere::inElenco(const QString& camera) const
{
    return m_elencoCamereLibere.contains(u',' + camera + u',');
}

QString AssegnazioneCamere::CercaTrattamento(Database& interfaccia, const QString& idTariffa) const
{
    Recordset rates = interfaccia.OpenRecordset(u"Rates"_s);
    // A plan downloaded but not mapped yet falls back to the default, as the settings promise.
    if (rates.FindFirst(u"RatesId = ?"_s, {idTariffa.trimmed()})) {
        const QString qv = rates.Field(u"QVRates"_s).toString();
        if (!qv.trimmed().isEmpty())
            return qv;
    }
    return m_ctx.settings.CodArr;
}

QString AssegnazioneCamere::CercaTrattamento(const QString& idTariffa) const
{
    Database interfaccia(m_ctx.workDir(), QString::fromUtf16(FileInterfaccia));
    return CercaTrattamento(interfaccia, idTariffa);
}

qint16 AssegnazioneCamere::CercaVoceAddebito(Database& interfaccia, const QString& codice) const
{
    Recordset rates = interfaccia.OpenRecordset(u"Rates"_s);
    if (rates.FindFirst(u"QVRates = ? and RateCode <> 0"_s, {codice.trimmed()}))
        return qint16(rates.Field(u"RateCode"_s).toInt());
    return m_ctx.settings.CodAdd;
}

qint16 AssegnazioneCamere::CercaVoceAddebito(const QString& codice) const
{
    Database interfaccia(m_ctx.workDir(), QString::fromUtf16(FileInterfaccia));
    return CercaVoceAddebito(interfaccia, codice);
}
