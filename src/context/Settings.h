#pragma once

#include <QString>
#include <QStringList>

class OperatorPort;

// The lines of SBookParam.txt, plus the working mode derived from them.
struct Settings
{
    QString Attivo;
    QString HostName;
    QString ProvName;
    QString ProvPwd;
    QString Account;
    QString Password;
    QString CodiceHotel;
    QString PortalsID;
    QString CodArr;
    qint16 CodAdd = 0;
    QString AssegnazioneAutomatica;
    QString CancellazioneDefinitiva;
    QString Pubblica;      // line 13: " 1 " keeps the service's availability in step with QV at every tick
    QString Orizzonte;     // line 14: the days from today kept in step; blank is 31
    QString Conservazione; // line 15: the days the exchange copies are kept; blank is 60, 0 for ever

    // "1" Semi automatica, "2" Automatica; derived, never stored.
    QString Modalita = QStringLiteral("1");

    static constexpr const char16_t* FileName = u"SBookParam.txt";

    bool attivo() const;
    bool pubblica() const;
    // The publishing horizon in days: 31 when blank or not a number, at most 400.
    int orizzonte() const;
    static constexpr int OrizzonteNormale = 31;
    static constexpr int OrizzonteMassimo = 400;
    // The days the exchange copies are kept: 60 when blank or not a number, 0 for ever.
    int giorniConservazione() const;
    static constexpr int ConservazioneNormale = 60;
    static constexpr int ConservazioneMassima = 36500;
    QString nomeModalita() const;

    // Reads the file in dir into this record; returns false (and leaves the record untouched but
    // for Modalita, which falls back to "1") when the file does not exist. A short or damaged
    // file is read as far as it goes.
    bool load(const QString& dir);

    // The width of the HotelId column the code is stored in.
    static constexpr int LarghezzaCodiceHotel = 50;
    // What makes a hotel code unusable (longer than its column, control characters), in words for
    // the operator; empty when it is usable.
    static QString erroreCodiceHotel(const QString& codice);

    // The labels of the parameters window, lines 2 to 10: messages name a setting as the window does.
    static constexpr const char16_t* Etichette[9] = {
        u"Host name", u"Prov Name",  u"Prov Pwd",  u"Account",   u"Password",
        u"Hotel ID",  u"Portals ID", u"Cod. Arr.", u"Cod. Add.",
    };
    static QString etichetta(int campo) { return QString::fromUtf16(Etichette[campo]); }
    static constexpr int CampoHostName = 0;
    static constexpr int CampoCodiceHotel = 5;
    // The labels of the two fields without which no exchange with the service can be made, of those
    // given empty (blanks only).
    static QStringList campiIndispensabiliVuoti(const QString& hostName, const QString& codiceHotel);
};

// What the parameters window shows and writes: nine texts, four check boxes, the horizon and the days
// the copies are kept; and the lines after those, which a later version may use, kept as they are.
struct ParametriForm
{
    bool attivo = false;
    QString testi[9]; // Host name .. Cod. Add., exactly as typed
    bool assegnazioneAutomatica = false;
    bool cancellazioneDefinitiva = false;
    bool pubblica = false;
    QString orizzonte;      // days, as typed; blank is 31
    QString conservazione;  // days, as typed; blank is 60
    QStringList altreRighe; // line 16 onwards

    // The window's content when it opens: empty when the file does not exist.
    static ParametriForm fromFile(const QString& dir);
    // "&Registra": writes the file and sets the settings from it. On a write failure the operator
    // is told, the settings stay as they were and false comes back; the program goes on.
    bool registra(const QString& dir, Settings& settings, OperatorPort& op) const;
};

// The numeric value of a check-box or counter line: its leading number, 0 when there is none.
qint64 valoreNumerico(const QString& text);
