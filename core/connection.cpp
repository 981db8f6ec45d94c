#include "connection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include "errors.h"
#include "paths.h"

namespace horalia {

namespace {
// Client errors that mean the link to the server is gone (server gone away, lost during
// query, cannot connect through socket or TCP, server lost).
bool isLinkLost(int code) {
    return code == 2002 || code == 2003 || code == 2006 || code == 2013 || code == 2055;
}
}  // namespace

Connection::Connection(const QString& name) : name_(name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name_);
    db.setHostName(QString::fromLatin1(kBuiltInHost));
    db.setUserName(QString::fromLatin1(kBuiltInUser));
    db.setPassword(QString());
    db.setDatabaseName(QString::fromLatin1(kBuiltInDatabase));
    db.setPort(Paths::databasePort());
    db.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1;MYSQL_OPT_READ_TIMEOUT=%2;"
                                        "MYSQL_OPT_WRITE_TIMEOUT=%2")
                             .arg(kConnectTimeoutSeconds)
                             .arg(kReadWriteTimeoutSeconds));
}

Connection::~Connection() {
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

void Connection::setHostName(const QString& host) { database().setHostName(host); }
void Connection::setUserName(const QString& user) { database().setUserName(user); }
void Connection::setDatabaseName(const QString& db) { database().setDatabaseName(db); }
void Connection::setPassword(const QString& password) { database().setPassword(password); }
void Connection::setPort(int port) { database().setPort(port); }
QString Connection::hostName() const { return database().hostName(); }
QString Connection::userName() const { return database().userName(); }
QString Connection::databaseName() const { return database().databaseName(); }
int Connection::port() const { return database().port(); }

QSqlDatabase Connection::database() const { return QSqlDatabase::database(name_, false); }

bool Connection::isOpen() const { return database().isOpen(); }

void Connection::open() {
    QSqlDatabase db = database();
    if (db.isOpen()) {
        return;
    }
    if (!db.open()) {
        const QSqlError e = db.lastError();
        db.close();
        throw DatabaseError(QStringLiteral("No se puede conectar con la base de datos: %1")
                                .arg(e.databaseText().isEmpty() ? e.text() : e.databaseText()),
                            e.nativeErrorCode().toInt());
    }
    ++openings_;
    // The server's refusals ("La columna 'TRABAJADOR' no puede ser nula") reach the user
    // as they are, so the session speaks the station's language. A server without the
    // Spanish messages keeps its own: the refusal still gets through, only in English.
    // A row lock held elsewhere (a rebuild of the time sheets, another station) must fail a
    // statement within seconds rather than freeze the station for the server's 50 s.
    QSqlQuery(db).exec(QStringLiteral("set lc_messages='es_ES', innodb_lock_wait_timeout=5"));
}

void Connection::close() { database().close(); }

void Connection::exec(const QString& statement) {
    ensureOpen();
    QSqlQuery q(database());
    if (!q.exec(statement)) {
        throw error(statement, q.lastError());
    }
}

QString Connection::literal(const QVariant& value) const {
    QSqlField f(QString(), value.metaType());
    f.setValue(value);
    return database().driver()->formatValue(f);
}

DatabaseError Connection::error(const QString& what, const QSqlError& e) {
    const int code = e.nativeErrorCode().toInt();
    if (isLinkLost(code)) {
        close();
    }
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    Q_UNUSED(what);
    return DatabaseError(QStringLiteral("Error de la base de datos: %1").arg(text.trimmed()), code);
}

}  // namespace horalia
