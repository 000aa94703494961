#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class AppContext;
class Database;
class Recordset;

// What the two mapping windows share: the hotels of the HotelId table, the chosen hotel and the
// lines of its catalogue rows, the width checks of a save, and store errors that end an action with
// a message instead of the program.
class Mappatura
{
public:
    // An item of a combo box: the text shown and the code it stands for, kept whole (the text may
    // cut or pad it).
    struct Voce
    {
        QString testo;
        QString chiave;
    };

    static constexpr int LarghezzaId = 10; // RoomsId, RatesId and HotelId in the lines
    static constexpr int LarghezzaCodiceQV = 6;
    static constexpr int LarghezzaDescrizione = 20;

    // Trimmed and padded with blanks on the left (right-aligned) or on the right; never cut.
    static QString aDestra(const QString& testo, int larghezza);
    static QString aSinistra(const QString& testo, int larghezza);
    // The first 20 characters of a description, padded to 20.
    static QString descrizione(const QString& testo);

    const QList<Voce>& alberghi() const { return m_alberghi; }
    // The HotelId of the chosen hotel, whole; empty while none is chosen.
    const QString& albergo() const { return m_albergo; }
    // One line per catalogue row of the chosen hotel, in the rows' order.
    const QStringList& righe() const { return m_righe; }

    // Chooses the hotel of Combo1's item and reads its rows again. False (and nothing changed) for
    // an item that does not exist or a hotel without a code.
    bool scegliAlbergo(int indice);

protected:
    explicit Mappatura(AppContext& ctx) : m_ctx(ctx) {}
    ~Mappatura() = default;

    // Fills the hotels of Combo1 (in the caller's open database).
    void leggiAlberghi(Database& db);
    // Reads the rows of the chosen hotel into the lines (and whatever the model keeps beside them).
    virtual void leggiRighe(Database& db) = 0;
    void ricarica();

    // Runs an action on SimpleBooking.mdb; a store error ends it with a message. False when it failed.
    bool esegui(const std::function<void(Database& db)>& azione);
    // The checks every save makes before it writes: a hotel chosen, an id typed, the widths that the
    // lines can show and read back. False (the operator told why) when one fails.
    bool verificaSalvataggio(const QString& id, const QString& codiceQV) const;
    void errore(const QString& testo) const;
    // The save both windows make, after its checks: among the chosen hotel's rows (the query
    // `righe`), the row the criterion finds is changed, or a new one is added; `campi` sets the
    // catalogue's own fields. The lines are read again. False when the store failed (told).
    bool salvaRiga(const QString& righe, const QString& criterio, const QVariantList& valori,
                   const std::function<void(Recordset& rs)>& campi);
    // A QV code as stored: a row without one stays unmapped, a single blank as the downloads write it.
    static QString codiceQV(const QString& codice);

    AppContext& m_ctx;
    QList<Voce> m_alberghi;
    QString m_albergo;
    QStringList m_righe;
};
