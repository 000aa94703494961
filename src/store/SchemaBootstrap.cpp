#include "store/SchemaBootstrap.h"

#include "store/Database.h"
#include "store/StoreError.h"
#include "store/TextFile.h"

#include <QFileInfo>
#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The leading number of a text, as the type code and size are read; 0 when there is none.
int leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    int value = 0;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9' && value < 100000)
        value = value * 10 + (text.at(i++).unicode() - u'0');
    return value;
}

std::optional<FieldKind> kindForCode(int code)
{
    switch (code) {
    case 1:
        return FieldKind::YesNo;
    case 2:
        return FieldKind::Byte;
    case 3:
        return FieldKind::Integer;
    case 4:
        return FieldKind::Long;
    case 5:
        return FieldKind::Currency;
    case 6:
        return FieldKind::Single;
    case 7:
        return FieldKind::Double;
    case 8:
        return FieldKind::DateTime;
    case 10:
        return FieldKind::Text;
    case 11:
        return FieldKind::Blob;
    case 12:
        return FieldKind::Memo;
    default:
        return std::nullopt;
    }
}

class Bootstrap
{
public:
    Bootstrap(const QDir& workDir, const QString& soloDatabase) : m_workDir(workDir), m_solo(soloDatabase) {}
    ~Bootstrap() { closeDatabase(); }
    void finish() { closeDatabase(); }

    void section(const QString& riga)
    {
        closeDatabase();
        // The stem runs from the second character to four characters before the first "]".
        const qsizetype close = riga.indexOf(u']');
        if (close - 5 >= 1)
            m_stem = riga.mid(1, close - 5);
        if (m_stem.isEmpty() || (!m_solo.isEmpty() && m_stem.compare(m_solo, Qt::CaseInsensitive) != 0))
            return;
        try {
            m_db = std::make_unique<Database>(m_workDir, m_stem + u".MDB"_s);
            m_db->begin();
        } catch (const StoreError&) {
            m_db.reset();
        }
    }

    void fieldLine(const QString& riga)
    {
        // A value that cannot be taken keeps the one of the line before.
        if (auto v = Campo(riga, 1))
            m_table = *v;
        if (auto v = Campo(riga, 2))
            m_field = *v;
        if (auto v = Campo(riga, 3))
            m_type = leadingNumber(*v);
        if (auto v = Campo(riga, 4))
            m_size = leadingNumber(*v);
        if (!m_db || m_table.isEmpty() || m_field.isEmpty())
            return;
        const auto kind = kindForCode(m_type);
        if (!kind)
            return;
        const FieldInfo field{m_field, *kind, m_size};
        try {
            if (!m_db->hasTable(m_table))
                m_db->createTable(m_table, field);
            else if (!hasField(m_table, m_field))
                m_db->appendField(m_table, field);
        } catch (const StoreError&) {
            // An existing field, a name the engine refuses: passed over, as always here.
        }
    }

private:
    bool hasField(const QString& table, const QString& name)
    {
        for (const FieldInfo& f : m_db->fields(table))
            if (f.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    void closeDatabase()
    {
        if (!m_db)
            return;
        try {
            m_db->commit();
        } catch (const StoreError&) {
        }
        m_db.reset();
    }

    QDir m_workDir;
    QString m_solo;
    std::unique_ptr<Database> m_db;
    QString m_stem;
    QString m_table;
    QString m_field;
    int m_type = 0;
    int m_size = 0;
};

// Indexes for the criteria the bridge runs over and over (a reservation's price days, a booking
// by voucher, a rack month). They only speed up finds; none of them rejects a row.
struct HotIndex
{
    const char16_t* database;
    const char16_t* table;
    std::initializer_list<const char16_t*> fields;
};

const HotIndex kHotIndexes[] = {
    {u"SimpleBooking.mdb", u"Reservations", {u"NPren"}},
    {u"SimpleBooking.mdb", u"ReservationsPrice", {u"NPren", u"Room", u"DayDate"}},
    {u"SimpleBooking.mdb", u"Rooms", {u"RoomsId"}},
    {u"SimpleBooking.mdb", u"DisponibilitaInviata", {u"RoomsId", u"Giorno"}},
    {u"SimpleBooking.mdb", u"LimitiDisponibilita", {u"QVRooms", u"Giorno"}},
    {u"SimpleBooking.mdb", u"Rates", {u"RatesId"}},
    {u"SimpleBooking.mdb", u"VersioniInQV", {u"NPren"}},
    {u"SimpleBooking.mdb", u"StoricoPrenotazioni", {u"NPren"}},
    {u"Scheda_Prenotazione.mdb", u"Scheda_Prenotazione", {u"NVoucher"}},
    {u"Scheda_Prenotazione.mdb", u"Scheda_Prenotazione", {u"NumeroPrenotazione"}},
    {u"Camere_Prenotazione.mdb", u"Camere_Prenotazione", {u"NumeroPrenotazione"}},
    // A room's rows that end after a stay's arrival: the room checks.
    {u"Camere_Prenotazione.mdb", u"Camere_Prenotazione", {u"NumeroCamera", u"DataPartenza"}},
    {u"Scheda_Cliente.mdb", u"Scheda_Cliente", {u"NumeroCamera", u"DataPartenza"}},
    {u"Generico.mdb", u"Camere_Inagibili", {u"NumeroCamera", u"DataFine"}},
    {u"ListaClienti_Prenotazione.mdb", u"ListaClienti_Prenotazione", {u"NumeroPrenotazione"}},
    {u"RifAllot_Prenotazione.mdb", u"RifAllot_Prenotazione", {u"NumeroPrenotazione"}},
    {u"Arrangiamento.mdb", u"Arrangiamento", {u"CodiceCliente"}},
    {u"Arrangiamento.mdb", u"Arrangiamento", {u"NumeroCamera", u"DataInizio"}},
    {u"Disponibilita.mdb", u"Monitor", {u"AMC"}},
    {u"Disponibilita.mdb", u"DisponibilitàTipi", {u"AMT"}},
    {u"Allotments.mdb", u"Riserva", {u"TipoDitta", u"CodiceDitta", u"DataAllotments"}},
    {u"Allotments.mdb", u"Riserva", {u"NumeroPrenotazione", u"DataAllotments"}},
};

void creaIndici(const QDir& workDir)
{
    for (const HotIndex& hot : kHotIndexes) {
        const QString file = QString::fromUtf16(hot.database);
        if (!QFileInfo::exists(databaseFile(workDir, file)))
            continue;
        try {
            Database db(workDir, file);
            const QString table = QString::fromUtf16(hot.table);
            if (!db.hasTable(table))
                continue;
            QStringList fields;
            for (const char16_t* f : hot.fields)
                fields.append(QString::fromUtf16(f));
            db.ensureIndex(table, fields);
        } catch (const StoreError&) {
            // A file QV holds locked, a field it lacks: the finds still work, only slower.
        }
    }
}

} // namespace

std::optional<QString> Campo(const QString& riga, int n)
{
    qsizetype previous = -1; // 0-based index of the previous comma
    QString value;
    for (int i = 1; i <= n; ++i) {
        const qsizetype next = riga.indexOf(u',', previous + 1);
        if (next < 0)
            return std::nullopt;
        value = riga.mid(previous + 1, next - previous - 1);
        previous = next;
    }
    return value;
}

void CreaStrutture(const QDir& workDir, const QString& dbtPath, const QString& soloDatabase)
{
    const auto righe = TextFile::readLines(dbtPath);
    if (!righe)
        return;
    Bootstrap bootstrap(workDir, soloDatabase);
    for (qsizetype i = 0; i < righe->size(); ++i) {
        const QString& riga = righe->at(i);
        if (riga.startsWith(u'[')) {
            bootstrap.section(riga);
            // The line after a section line is always a field line.
            if (++i < righe->size())
                bootstrap.fieldLine(righe->at(i));
            continue;
        }
        bootstrap.fieldLine(riga);
    }
    bootstrap.finish();
    creaIndici(workDir);
}

QString verificaTabelleInterfaccia(const QDir& workDir, const QString& dbtPath)
{
    static constexpr std::array kTabelle = {u"HotelId", u"Rooms", u"Rates", u"Reservations", u"ReservationsPrice"};
    const QString file = u"SimpleBooking.mdb"_s;
    if (QFileInfo::exists(databaseFile(workDir, file))) {
        try {
            Database db(workDir, file);
            for (const char16_t* tabella : kTabelle)
                if (db.hasTable(QString::fromUtf16(tabella)))
                    return {};
        } catch (const StoreError&) {
            // Unreadable: said below, like a file that defines nothing.
        }
    }
    QStringList nomi;
    for (const char16_t* tabella : kTabelle)
        nomi.append(QString::fromUtf16(tabella));
    return u"il file delle definizioni "_s + dbtPath + u" (SBOOK.DBT) non definisce nessuna delle tabelle "_s +
           u"dell'interfaccia ("_s + nomi.join(u", "_s) +
           u"): manca, è vuoto o è danneggiato. Copiare nella cartella di lavoro un SBOOK.DBT integro."_s;
}

QString percorsoDefinizioniProgramma(const QString& programDir)
{
    const QDir dir(programDir);
    for (const QString& candidato : {u"SBOOK.DBT"_s, u"../share/qv-simplebooking/SBOOK.DBT"_s}) {
        const QString percorso = QDir::cleanPath(dir.filePath(candidato));
        if (QFileInfo(percorso).isFile())
            return percorso;
    }
    return {};
}

QString percorsoDefinizioni(const QDir& workDir, const QString& programma)
{
    const QString local = workDir.filePath(u"SBOOK.DBT"_s);
    if (QFileInfo::exists(local) || programma.isEmpty())
        return local;
    return programma;
}
