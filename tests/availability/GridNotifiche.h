#pragma once

#include "store/DaySlots.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

// Reading back the availability notifications the simulated service received.
namespace GridNotifiche {

// Every AvailStatusMessage of a notification as "InvTypeCode Start BookingLimit", in order; each
// message covers one day.
inline QStringList messaggi(const QString& xml)
{
    static const QRegularExpression re(QStringLiteral(
        R"re(<AvailStatusMessage LocatorID="(\d+)" BookingLimit="([^"]*)"> <StatusApplicationControl Start="([^"]*)" End="([^"]*)" InvTypeCode="([^"]*)" />)re"));
    QStringList out;
    for (auto it = re.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        EXPECT_EQ(m.captured(3), m.captured(4));
        out.append(m.captured(5) + u' ' + m.captured(3) + u' ' + m.captured(2));
    }
    return out;
}

// One service room type's 31 days from `dal`: `camere` rooms free, one less on the nights booked.
struct Tipo
{
    QString invTypeCode;
    int camere = 0;
    QDate arrivo = {};
    int notti = 0;
};

inline QStringList attesi(const QDate& dal, const QList<Tipo>& tipi)
{
    QStringList out;
    for (const Tipo& t : tipi)
        for (int g = 0; g < 31; ++g) {
            const QDate d = dal.addDays(g);
            const bool prenotato = t.arrivo.isValid() && d >= t.arrivo && d < t.arrivo.addDays(t.notti);
            out.append(t.invTypeCode + u' ' + TextDate::toIso(d) + u' ' +
                       QString::number(t.camere - (prenotato ? 1 : 0)));
        }
    return out;
}

// "SBDeskTop --headless --once publish" in a working directory, against the simulator at baseUrl:
// its standard error, or nullopt when it did not end with status 0 (the test has failed then).
inline std::optional<QString> pubblica(const QString& dir, const QString& baseUrl)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SB_BASE_URL"), baseUrl);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH),
            {QStringLiteral("--headless"), QStringLiteral("--once"), QStringLiteral("publish")});
    const bool finito = p.waitForFinished(60000);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(finito);
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    if (!finito || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return err;
}

} // namespace GridNotifiche
