#pragma once

#include "context/AppContext.h"
#include "support/FakeOperatorPort.h"

#include <QDir>
#include <QTemporaryDir>

// A fresh working directory with a fixed clock and a scripted operator, for one test.
struct WorkDir
{
    explicit WorkDir(const QDateTime& now = QDateTime(QDate(2026, 5, 4), QTime(14, 7, 9)));

    QTemporaryDir tmp;
    FixedClock clock;
    FakeOperatorPort op;
    AppContext ctx;

    QDir dir() const { return QDir(tmp.path()); }
    QString file(const QString& name) const { return QDir(tmp.path()).filePath(name); }
    // Copies the table definitions in and creates every database they list.
    void bootstrap();
    void write(const QString& name, const QByteArray& bytes) const;
    // Adds one row to a table of a database of the working directory.
    void insert(const QString& database, const QString& table, const QVariantMap& fields) const;
};
