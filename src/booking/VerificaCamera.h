#pragma once

#include <QSet>
#include <QString>
#include <memory>

class AppContext;

// Whether one QV room is free for a stay: not out of service, no guest in house, no booked room
// row of another booking. Keeps its databases open for its own life, so that a search over many
// rooms opens them once; it reads the rows as they are at each call.
class ControlloCamere
{
public:
    explicit ControlloCamere(AppContext& ctx);
    ~ControlloCamere();

    // 1 when the room is free, 0 when it is not. dal and al are dd/mm/yyyy; tipoPrenotazione is a
    // booking kind; numeroPrenotazione is the booking whose own rows do not count (0 for a new one).
    qint16 VerificaCamera(const QString& camera, const QString& dal, const QString& al, const QString& tipoPrenotazione,
                          qint32 numeroPrenotazione);

    // The rooms a new booking cannot take for a stay (dd/mm/yyyy), as VerificaCamera(room, dal, al,
    // "P", 0) sees them, in one reading of each file: keys as chiave gives them.
    // escluso: a booking whose own rows do not count (one being modified), 0 for none.
    QSet<QString> occupate(const QString& dal, const QString& al, qint32 escluso = 0);
    // What keeps the room from the stay, in words ("è occupata dal 23/12/2026 al 24/12/2026
    // (prenotazione 1249)", "è fuori servizio dal ...", "è occupata da un ospite in casa dal ..."), as
    // VerificaCamera finds it; empty when the room is free. escluso: a booking whose rows do not count.
    QString occupazione(const QString& camera, const QString& dal, const QString& al, qint32 escluso = 0);
    // Whether a guest of booking numero is in house (checked in, not departed).
    bool ospitiArrivati(qint32 numero);
    // A room as the checks compare it: "3'1" and "3´1" are one room, and so are "a1" and "A1".
    static QString chiave(const QString& camera);

private:
    struct Dati;
    AppContext& m_ctx;
    std::unique_ptr<Dati> m_dati;
};
