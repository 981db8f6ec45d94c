#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class QSqlError;

namespace horalia {

class DatabaseError;

// The station's one database connection. It holds the built-in settings until the
// configuration replaces them, and opens itself on first use: after a failed start, every
// later database operation tries to connect again.
class Connection {
public:
    static constexpr const char* kBuiltInHost = "localhost";
    static constexpr const char* kBuiltInUser = "root";
    static constexpr const char* kBuiltInDatabase = "cosecha";
    // Short enough that an unreachable server never freezes the kiosk for minutes.
    static constexpr int kConnectTimeoutSeconds = 3;
    static constexpr int kReadWriteTimeoutSeconds = 10;

    explicit Connection(const QString& name);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return name_; }
    void setHostName(const QString& host);
    void setUserName(const QString& user);
    void setDatabaseName(const QString& database);
    void setPassword(const QString& password);
    void setPort(int port);
    QString hostName() const;
    QString userName() const;
    QString databaseName() const;
    int port() const;

    void open();  // throws DatabaseError
    // How many times the connection has been opened: statements prepared on an earlier link
    // are gone with it.
    quint64 openings() const { return openings_; }
    void ensureOpen() { if (!isOpen()) open(); }
    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

    // Runs a statement that returns no rows (transactions, locks); throws DatabaseError.
    void exec(const QString& statement);
    // A value as SQL literal text, escaped by the driver: a quote or backslash in `value`
    // can never end the literal.
    QString literal(const QVariant& value) const;

    // Builds the error for a failed statement; a lost link also closes the connection so
    // that the next operation connects afresh instead of failing forever.
    DatabaseError error(const QString& what, const QSqlError& error);

private:
    QString name_;
    quint64 openings_ = 0;
};

}  // namespace horalia
