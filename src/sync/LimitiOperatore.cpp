#include "sync/LimitiOperatore.h"

#include "availability/GrigliaMese.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "sync/ArchivioSync.h"
#include "sync/CamereDaOffrire.h"

#include <QFile>

using namespace Qt::StringLiterals;

std::optional<QString> LimitiOperatore::preparaFile(AppContext& ctx, GrigliaMese& griglia)
{
    // The file first: it refuses what it cannot offer. Without its limits it must not go.
    const auto nome = griglia.preparaFile();
    if (!nome)
        return std::nullopt;
    try {
        const CamereDaOffrire offerta = CamereDaOffrire::leggi(ctx.workDir(), griglia.inizio(), GrigliaMese::Giorni);
        Database sb(ctx.workDir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        for (int t = 0; t < griglia.tipi(); ++t)
            for (int g = 0; g < GrigliaMese::Giorni; ++g) {
                const qint64 v = griglia.disponibilita(t, g);
                const auto camere = offerta.camere(griglia.sigla(t), griglia.giorno(g));
                // Zero leaves the day as it is at the service; a type outside the rooms to offer is not published.
                if (v == 0 || !camere)
                    continue;
                const qint64 valore = v < 0 ? 0 : v;
                ArchivioSync::registraLimite(sb, griglia.sigla(t), griglia.giorno(g),
                                             valore < *camere ? std::optional(valore) : std::nullopt);
            }
        uow.commit();
    } catch (const StoreError& e) {
        QFile::remove(ctx.workDir().filePath(*nome));
        ctx.op().inform(u"Errore"_s,
                        e.text() + u" ("_s + QString::number(e.number()) + u"). Il file non è stato preparato."_s,
                        OperatorPort::Icon::Critical);
        return std::nullopt;
    }
    return nome;
}
