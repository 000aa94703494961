#pragma once

#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>

class Database;
class QDateTime;

// The reasons a review gives for the web reservations it leaves waiting. A reason is told once: not
// again at the next reviews while the reservation still waits for it, nor again in the same review
// for another reservation. When the review ends, each reason not told again for some reservation is
// named once with every reservation it keeps waiting; a new reason is told at once.
class MotiviAttesa
{
public:
    // Reads the reasons last told (none when they cannot be read: they are told again).
    explicit MotiviAttesa(Database& interfaccia);

    // Whether testo, the message that says why reservation nPren waits (it begins with chi, the
    // reservation's name), is to be told.
    bool daDire(const QString& nPren, const QString& chi, const QString& testo);
    // Stores the reasons given in this review and returns the lines that name, for each reason not told
    // again, every reservation it keeps waiting (empty when there are none).
    QString chiudi(Database& interfaccia, const QDateTime& ora);

private:
    QHash<QString, QString> m_registrati;   // NPren -> reason, as stored
    QHash<QString, QString> m_nuovi;        // NPren -> reason, given in this review and not stored yet
    QSet<QString> m_detti;                  // the reasons told in this review
    QSet<QString> m_taciuti;                // the reasons not told again for some reservation
    QMap<QString, QStringList> m_perMotivo; // reason -> the reservations it keeps waiting in this review
};
