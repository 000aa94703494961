#include "service/GiudizioRisposta.h"

#include "service/Markup.h"
#include "service/MascheraDati.h"
#include "service/XmlText.h"

#include <QStringList>

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

using Markup::nomeLocaleE;

bool unoDi(QStringView nome, std::initializer_list<QStringView> nomi)
{
    return std::any_of(nomi.begin(), nomi.end(), [&](QStringView n) { return nomeLocaleE(nome, n); });
}

// What an answer holds that the judge looks for.
struct Contenuto
{
    bool successo = false;
    bool prenotazioni = false;
    bool camere = false;
    bool tariffe = false;
    bool errori = false;     // an Error or Errors element
    QStringList descrizioni; // of each Error element: its text, else its ShortText, else its code
};

QString valore(const Markup::Pezzo& tag, QStringView nome)
{
    for (const Markup::Attributo& a : tag.attributi)
        if (nomeLocaleE(a.nome, nome))
            return decodeXmlText(a.valore.toString()).simplified();
    return {};
}

Contenuto leggi(const QString& testo)
{
    using Markup::Pezzo;
    Contenuto c;
    // The Error element being read: its attributes' description and its text so far.
    bool inErrore = false;
    QString alternativa;
    QString testoErrore;
    const auto chiudiErrore = [&] {
        const QString t = decodeXmlText(testoErrore).simplified();
        c.descrizioni.append(!t.isEmpty() ? t : !alternativa.isEmpty() ? alternativa : u"senza descrizione"_s);
        inErrore = false;
    };
    Markup::perOgniPezzo(testo, [&](const Pezzo& p) {
        if (p.tipo != Pezzo::Tipo::Tag) {
            if (inErrore && p.tipo != Pezzo::Tipo::Commento && p.tipo != Pezzo::Tipo::Istruzione)
                testoErrore += QStringView(testo).sliced(p.inizioContenuto, p.fineContenuto - p.inizioContenuto);
            return;
        }
        const bool errore = nomeLocaleE(p.nome, u"Error");
        if (p.chiusura) {
            if (errore && inErrore)
                chiudiErrore();
            return;
        }
        c.successo = c.successo || unoDi(p.nome, {u"Success", u"ok"});
        c.prenotazioni = c.prenotazioni || nomeLocaleE(p.nome, u"HotelReservations");
        c.camere = c.camere || unoDi(p.nome, {u"HotelRoomLists", u"HotelRoomList", u"RoomTypes"});
        c.tariffe = c.tariffe || unoDi(p.nome, {u"RatePlans", u"RatePlan", u"MealPlans"});
        c.errori = c.errori || errore || nomeLocaleE(p.nome, u"Errors");
        if (!errore)
            return;
        if (inErrore)
            chiudiErrore();
        alternativa = valore(p, u"ShortText");
        if (alternativa.isEmpty() && !valore(p, u"Code").isEmpty())
            alternativa = u"codice "_s + valore(p, u"Code");
        testoErrore.clear();
        inErrore = true;
        if (p.vuoto)
            chiudiErrore();
    });
    if (inErrore)
        chiudiErrore();
    return c;
}

bool accettata(GenereRisposta genere, const Contenuto& c)
{
    switch (genere) {
    case GenereRisposta::Conferma:
    case GenereRisposta::Disponibilita:
        return c.successo;
    case GenereRisposta::Prenotazioni:
        return c.prenotazioni;
    case GenereRisposta::Camere:
        return c.camere;
    case GenereRisposta::Tariffe:
        return c.tariffe;
    }
    return false;
}

} // namespace

RispostaServizio RispostaServizio::daTesto(const QString& testo)
{
    RispostaServizio r;
    r.testo = testo;
    if (testo.startsWith(u"Error: "_s)) {
        r.ricevuta = false;
        r.stato = 0;
    }
    return r;
}

Giudizio giudicaRisposta(GenereRisposta genere, const RispostaServizio& risposta)
{
    if (risposta.interrotta)
        return {EsitoRisposta::Interrotta, u"scambio interrotto: il programma si sta chiudendo"_s};
    if (!risposta.ricevuta)
        return {EsitoRisposta::NonRiconosciuta,
                u"nessuna risposta dal servizio ("_s + estrattoMascherato(risposta.testo, 300) + u')'};
    const Contenuto c = leggi(risposta.testo);
    const QString errori = estrattoMascherato(c.descrizioni.join(u"; "_s), 300);
    if (risposta.stato < 200 || risposta.stato > 299) {
        QString motivo = u"HTTP "_s + QString::number(risposta.stato);
        if (!errori.isEmpty())
            motivo += u": "_s + errori;
        else if (!risposta.testo.trimmed().isEmpty())
            motivo += u": "_s + estrattoMascherato(risposta.testo);
        return {EsitoRisposta::Rifiutata, motivo};
    }
    if (c.errori)
        return {EsitoRisposta::Rifiutata,
                u"errore segnalato dal servizio: "_s + (errori.isEmpty() ? u"senza descrizione"_s : errori)};
    if (accettata(genere, c))
        return {EsitoRisposta::Accettata, {}};
    return {EsitoRisposta::NonRiconosciuta,
            u"risposta non riconosciuta: "_s +
                (risposta.testo.trimmed().isEmpty() ? u"risposta vuota"_s : estrattoMascherato(risposta.testo))};
}
