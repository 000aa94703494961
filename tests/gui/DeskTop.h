#pragma once

#include "context/AppContext.h"
#include "shell/QtOperatorPort.h"
#include "shell/Registro.h"
#include "shell/SBDeskTop.h"
#include "shell/Sessione.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The main window over a fresh working directory whose databases are made, as at a first start.
struct DeskTop
{
    DeskTop()
        : clock(QDateTime(QDate(2026, 5, 4), QTime(12, 11, 0))), registro(clock, false), op(&registro),
          ctx(tmp.path(), clock, op), sessione(ctx, registro)
    {
        QFile::copy(QString::fromUtf8(SB_DBT_PATH), file(QStringLiteral("SBOOK.DBT")));
        EXPECT_EQ(sessione.avvia(), QString());
        window = std::make_unique<SBDeskTop>(ctx, sessione);
        op.setWindow(window.get());
    }

    QString file(const QString& name) const { return QDir(tmp.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    static QByteArray parametri(bool automatica, const QString& host = QStringLiteral("http://127.0.0.1:1/res"),
                                const QString& hotel = QStringLiteral("1234"))
    {
        return (QStringLiteral(" 0 \r\n") + host + QStringLiteral("\r\nprov\r\nppwd\r\nacc\r\npwd\r\n") + hotel +
                QStringLiteral("\r\nP1\r\nBB\r\n77\r\n") +
                (automatica ? QStringLiteral(" 1 ") : QStringLiteral(" 0 ")) + QStringLiteral("\r\n 0 \r\n"))
            .toLatin1();
    }

    QTemporaryDir tmp;
    FixedClock clock;
    Registro registro;
    QtOperatorPort op;
    AppContext ctx;
    Sessione sessione;
    std::unique_ptr<SBDeskTop> window;
};
