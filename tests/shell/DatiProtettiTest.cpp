// What a hotel's files keep of a guest's card and of the service's passwords: a download of a
// reservation that carries a card, through the simulator, and an availability send leave neither the
// number nor the code nor a password in any file of the data directory, and the reservation stored
// is the one stored without the card.

#include "import/ImportFixture.h"
#include "support/Umask.h"

#include <QDirIterator>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;
using namespace ImportSupport;

namespace {

const QString kCarta = u"4111111111111111"_s;
const QString kCodice = u"8642"_s;
const QString kPwdFornitore = u"Pr0vSegreta"_s;
const QString kPwdAgente = u"AccSegreta9"_s;

// The reservation with a guarantee the way booking engines send one: in the reservation, in its room
// stay and in the guest's payment details, the number written three ways.
QString conCarta(const QString& prenotazione)
{
    const auto carta = [](const QString& numero) {
        return u"<PaymentCard CardCode=\"VI\" CardNumber=\"%1\" SeriesCode=\"%2\" ExpireDate=\"1228\">"
               u"<CardHolderName>Mario Rossi</CardHolderName></PaymentCard>"_s.arg(numero, kCodice);
    };
    QString x = replaced(prenotazione, u"</RoomStay>"_s,
                         u"<Guarantee><GuaranteesAccepted><GuaranteeAccepted>"_s + carta(kCarta) +
                             u"</GuaranteeAccepted></GuaranteesAccepted></Guarantee></RoomStay>"_s);
    x = replaced(x, u"</Customer>"_s,
                 u"<PaymentForm><PaymentCard CardNumber=\"4111-1111-1111-1111\"><CardSecurityCode>"_s + kCodice +
                     u"</CardSecurityCode></PaymentCard></PaymentForm></Customer>"_s);
    return replaced(x, u"<ResGlobalInfo>"_s,
                    u"<ResGlobalInfo><Guarantee GuaranteeType=\"CC/DC/AX\"><GuaranteesAccepted><GuaranteeAccepted>"_s +
                        carta(u"4111 1111 1111 1111"_s) + u"</GuaranteeAccepted></GuaranteesAccepted></Guarantee>"_s);
}

// Every way a secret could be written in a file: as typed, in UTF-8 and in UTF-16.
QList<QByteArray> forme(const QStringList& segreti)
{
    QList<QByteArray> out;
    for (const QString& s : segreti) {
        out.append(s.toUtf8());
        out.append(QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2));
    }
    return out;
}

bool benFormato(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

TEST(DatiProtetti, ACardAndThePasswordsReachNoFileOfTheDataDirectory)
{
    // A desktop's umask: what the bridge makes is still its owner's and its group's only.
    const Umask umask(0022);
    SimServer sim;
    const QList<std::pair<QString, QString>> camere{{u"DBL"_s, u"Camera doppia"_s}};
    WorkDir con;
    prepare(con, sim, camere);
    con.ctx.settings.ProvPwd = kPwdFornitore;
    con.ctx.settings.Password = kPwdAgente;
    const QString prenotazione = fragment(basic(u"CC1"_s));
    sim.addReservation(conCarta(prenotazione));
    download(con.ctx);
    ServiceClient(con.ctx).InviaDisponibilita(u"1234"_s, {{u"DBL"_s, QDate(2026, 5, 10), 3}});
    ASSERT_TRUE(sim.pendingNew().isEmpty()) << "confermata";

    // The same download without the card, in a data directory of its own.
    WorkDir senza;
    prepare(senza, sim, camere);
    sim.addReservation(prenotazione);
    download(senza.ctx);
    const QVariantMap riga = reservationRow(con.dir(), u"CC1"_s);
    ASSERT_FALSE(riga.isEmpty());
    EXPECT_EQ(riga, reservationRow(senza.dir(), u"CC1"_s));
    EXPECT_EQ(priceRows(con.dir(), u"CC1"_s).byDay, priceRows(senza.dir(), u"CC1"_s).byDay);

    const QList<QByteArray> segreti =
        forme({kCarta, u"4111 1111 1111"_s, u"4111-1111-1111"_s, u"41111111"_s, u"\""_s + kCodice + u'"',
               u'>' + kCodice + u'<', kPwdFornitore, kPwdAgente});
    int copie = 0;
    QDirIterator it(con.tmp.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = f.readAll();
        for (const QByteArray& s : segreti)
            EXPECT_FALSE(bytes.contains(s)) << path.toStdString() << " contiene " << s.toStdString();
        if (QFileInfo(path).absolutePath() != con.ctx.path(u"SimpleBooking"_s))
            continue;
        ++copie;
        EXPECT_EQ(modo(path), 0x0660) << path.toStdString();
        if (QFileInfo(path).fileName().startsWith(u"Prenotazioni"_s) && bytes.contains("PaymentCard")) {
            // Masked where it stood: the copy is still XML, the holder and the expiry are there.
            EXPECT_TRUE(benFormato(bytes)) << bytes.toStdString();
            EXPECT_TRUE(bytes.contains("CardNumber=\"************1111\"")) << bytes.toStdString();
            EXPECT_TRUE(bytes.contains("<CardHolderName>Mario Rossi</CardHolderName>"));
            EXPECT_TRUE(bytes.contains("ExpireDate=\"1228\""));
        }
        if (QFileInfo(path).fileName().startsWith(u"AggDispo"_s)) {
            EXPECT_TRUE(bytes.contains("Pwd=\"********\"")) << bytes.toStdString();
        }
    }
    EXPECT_GE(copie, 5); // the two answers, the confirmation, the availability request and its answer
    EXPECT_EQ(modo(con.ctx.path(u"SimpleBooking"_s)), 0x0770);

    // The main window's boxes show what the files show.
    for (const QString& testo : con.op.requests + con.op.answers + con.op.messageTexts()) {
        for (const QString& s : {kCarta, kPwdFornitore, kPwdAgente, u"\""_s + kCodice + u'"'})
            EXPECT_FALSE(testo.contains(s)) << testo.toStdString();
    }
    EXPECT_TRUE(con.op.answers.join(u'\n').contains(u"************1111"_s));
    // What is sent is unchanged.
    const QJsonArray journal = sim.journal();
    EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [](const QJsonValue& v) {
        return v.toObject().value(u"xml"_s).toString().contains(u"Pwd=\""_s + kPwdAgente + u'"');
    }));
}

} // namespace
