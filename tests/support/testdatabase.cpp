#include "testdatabase.h"

#include <QFile>
#include <QProcess>
#include <stdexcept>

#include "paths.h"

namespace horalia::test {

namespace {
[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

QStringList clientArguments() {
    return {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + TestDatabase::socket(),
            QStringLiteral("-uroot"), QStringLiteral("--default-character-set=utf8mb4")};
}

void runClient(const QStringList& extra, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral("mariadb"), clientArguments() + extra);
    if (!p.waitForStarted()) {
        fail(QStringLiteral("cannot start the mariadb client"));
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(300000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        fail(QStringLiteral("mariadb client failed: %1").arg(QString::fromLocal8Bit(p.readAllStandardError())));
    }
}
}  // namespace

int TestDatabase::port() {
    QFile f(QStringLiteral(HORALIA_TEST_DBDIR "/port"));
    if (!f.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("no test database server: %1 is missing (run the tests through ctest)")
                 .arg(f.fileName()));
    }
    return f.readAll().trimmed().toInt();
}

QString TestDatabase::socket() { return QStringLiteral(HORALIA_TEST_DBDIR "/mysqld.sock"); }

void TestDatabase::create(const QString& name) {
    qputenv(Paths::kPortVariable, QByteArray::number(port()));
    runClient({}, QStringLiteral("drop database if exists `%1`; create database `%1`;").arg(name).toUtf8());
    QFile schema(QStringLiteral(HORALIA_SOURCE_DIR "/db/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1").arg(schema.fileName()));
    }
    runClient({QStringLiteral("--database=") + name}, schema.readAll());
}

void TestDatabase::run(const QString& database, const QString& sql) {
    runClient({QStringLiteral("--database=") + database}, sql.toUtf8());
}

QString TestDatabase::writeConfig(const QString& file, const QString& database,
                                  const QString& workCentre, const QString& password) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("cannot write %1").arg(file));
    }
    f.write(QStringLiteral("127.0.0.1\nroot\n%1\n%2\n%3\n")
                .arg(password, database, workCentre)
                .toLocal8Bit());
    return file;
}

QSqlDatabase TestDatabase::connect(const QString& connectionName, const QString& database) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connectionName);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(port());
    db.setUserName(QStringLiteral("root"));
    db.setDatabaseName(database);
    if (!db.open()) {
        fail(QStringLiteral("cannot connect to the test server: %1").arg(db.lastError().text()));
    }
    return db;
}

void TestDatabase::disconnect(const QString& connectionName) {
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QVariant scalar(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    if (!q.exec(statement)) {
        fail(QStringLiteral("%1 -> %2").arg(statement, q.lastError().text()));
    }
    return q.next() ? q.value(0) : QVariant();
}

}  // namespace horalia::test
