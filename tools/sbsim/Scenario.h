#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <optional>

struct SimRoomType
{
    QString code;
    QString name;
    QList<QPair<QString, QString>> attributes; // written after RoomTypeCode and Name, in this order
};

struct SimRatePlan
{
    QString code;
    QString name;
};

struct SimCatalogue
{
    QList<SimRoomType> rooms;
    QList<SimRatePlan> ratePlans;
};

// One reservation or cancellation waiting for its confirmation.
struct SimPending
{
    QString id;             // ResID_Value of its HotelReservationID
    QString fragment;       // the HotelReservation element, served as it stands
    int fromDownload = 1;   // first download of its list that delivers it
    QString source;         // file or control request it came from
    bool delivered = false; // served by a download at least once
};

// What the simulator starts with, read from a scenario directory:
//   catalogue.json   {"hotels": {"<HotelCode>" or "*": {"rooms": [{"code", "name", "attributes": {..}}],
//                                                        "ratePlans": [{"code", "name"}]}}}
//   new/*.xml        pending new reservations, one HotelReservation element per file, in file name order
//   canc/*.xml       pending cancellations, likewise
//   answers/<Name>.xml   a fixed answer for RateListRQ, RoomListRQ, ResRS, AvailabilityRQ or reservations
// Date tokens ({{today+3}}, {{now}}) are expanded in every file.
class Scenario
{
public:
    static std::optional<Scenario> load(const QString& dir, const QDateTime& now, QString* error);

    // A pending entry from a fragment text. A leading "<!-- sbsim: from-download=N -->" holds the entry
    // back until the N-th download of its list, so a modification can follow the reservation it changes.
    static SimPending pendingFrom(const QString& text, const QDateTime& now, const QString& source);

    // The catalogue for a hotel code: its own, else the "*" one, else none.
    const SimCatalogue* catalogueFor(const QString& hotelCode) const;

    QMap<QString, SimCatalogue> hotels;
    QList<SimPending> reservations;
    QList<SimPending> cancellations;
    QMap<QString, QByteArray> rawAnswers; // request path -> answer body
};
