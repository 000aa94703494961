#pragma once

#include <QString>

class AppContext;

// The commands of the bridge, as the buttons, the timer and the unattended mode run them. Each
// runs to its end; a store error is shown to the operator and the program goes on.
class Comandi
{
public:
    explicit Comandi(AppContext& ctx) : m_ctx(ctx) {}

    void getRooms();
    void getRates();
    // The reservation download with everything that follows it: the parser, the cancellations,
    // then the review of the stored reservations.
    void reservations();

    // The error that ended the last command, empty when it ran to its end.
    const QString& errore() const { return m_errore; }

private:
    void segnaScambio(const char16_t* scambio, bool riuscito, const QString& errore);

    AppContext& m_ctx;
    QString m_errore;
};
