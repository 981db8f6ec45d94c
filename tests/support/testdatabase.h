#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTest>

#include "errorreport.h"

namespace horalia::test {

// The private server that CTest's fixture started, and fresh databases on it made from
// db/schema.sql. Tests never need a server started by hand: a missing one is a failure.
class TestDatabase {
public:
    static int port();
    static QString socket();
    // Drops and creates `name` from the schema. Also points the station's port at the test
    // server, so a data module created afterwards connects to it.
    static void create(const QString& name);
    // Runs SQL text through the command-line client (several statements, DELIMITER allowed).
    static void run(const QString& database, const QString& sql);
    // A five-line station configuration for `database` on the test server.
    static QString writeConfig(const QString& file, const QString& database,
                               const QString& workCentre, const QString& password = {});
    // A connection of the test's own, for setting up rows and checking results.
    static QSqlDatabase connect(const QString& connectionName, const QString& database);
    static void disconnect(const QString& connectionName);
};

// Collects what the error report would have shown, instead of blocking on a message box.
class ReportRecorder {
public:
    ReportRecorder() {
        previous_ = ErrorReport::setSink([this](const QString& t) { messages << t; });
    }
    ~ReportRecorder() { ErrorReport::setSink(previous_); }
    QStringList messages;

private:
    ErrorReport::Sink previous_;
};

// Runs a statement on a test connection, failing the test with the server's error text.
#define SQL_EXEC(db, statement)                                                          \
    do {                                                                                 \
        QSqlQuery sqlExecQuery_(db);                                                     \
        if (!sqlExecQuery_.exec(statement)) {                                            \
            QFAIL(qPrintable(QStringLiteral("%1\n  -> %2")                               \
                                 .arg(QString(statement), sqlExecQuery_.lastError().text()))); \
        }                                                                                \
    } while (false)

// The first column of the first row of a query, or an invalid variant.
QVariant scalar(const QSqlDatabase& db, const QString& statement);

}  // namespace horalia::test
