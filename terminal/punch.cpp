#include "punch.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>

#include "clock.h"
#include "datamodule.h"
#include "errors.h"

namespace horalia {

QString PunchOutcome::text() const {
    switch (kind) {
        case Kind::EntryAccepted:
            return QStringLiteral("ENTRADA ACEPTADA");
        case Kind::ExitAccepted:
            return QStringLiteral("SALIDA ACEPTADA");
        case Kind::WorkerNotFound:
            return QStringLiteral("TRABAJADOR NO ENCONTRADO");
        case Kind::Empty:
            break;
    }
    return {};
}

QString workerLockStatement(int workerId) {
    return QStringLiteral("select ID from trabajadores where ID=") + QString::number(workerId) +
           QStringLiteral(" for update");
}

namespace {

// Another station holding the worker's lock is done within milliseconds; a lock held longer
// belongs to a station that hung mid-punch, and the worker should hear so rather than face a
// frozen kiosk.
constexpr int kLockWaitSeconds = 3;
constexpr int kLockWaitTimeoutError = 1205;  // ER_LOCK_WAIT_TIMEOUT

// Only the 26 capitals A to Z make a code a NIF: digits, blanks, punctuation and letters such
// as Ñ leave it a worker number (which may then fail to convert).
bool holdsLetter(const QString& code) {
    for (const QChar c : code) {
        if (c.unicode() >= 65 && c.unicode() <= 90) {
            return true;
        }
    }
    return false;
}

// QString::toInt alone would take blanks around the digits; the station takes a whole number
// and nothing else.
int workerNumber(const QString& code) {
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    bool ok = false;
    const int number = wholeNumber.match(code).hasMatch() ? code.toInt(&ok, 10) : 0;
    if (!ok) {
        throw UserError(QStringLiteral("'%1' no es un número de trabajador válido").arg(code));
    }
    return number;
}

QString workerStatement(const Connection& connection, const QString& code) {
    if (holdsLetter(code)) {
        // The driver's literal is the escaped text inside its quotes; the quotes are the
        // statement's own pieces, so ordinary codes give exactly the text the terminal shows.
        const QString literal = connection.literal(code);
        Q_ASSERT(literal.startsWith(QLatin1Char('\'')) && literal.endsWith(QLatin1Char('\'')));
        return QStringLiteral("select * from trabajadores where nif='") +
               literal.mid(1, literal.size() - 2) + QStringLiteral("'");
    }
    return QStringLiteral("select * from trabajadores where id=") +
           QString::number(workerNumber(code));
}

QString openRowStatement(int workerId) {
    return QStringLiteral("select * from ticados where idt=") + QString::number(workerId) +
           QStringLiteral("  and salida_real is null order by fecha");
}

// The short transaction of one punch on the station's connection. The datasets post through
// prepared statements on this same connection, so their writes belong to it.
class PunchTransaction {
public:
    explicit PunchTransaction(Connection& connection) : connection_(connection) {
        connection_.exec(QStringLiteral("start transaction"));
    }
    ~PunchTransaction() { rollback(); }
    PunchTransaction(const PunchTransaction&) = delete;
    PunchTransaction& operator=(const PunchTransaction&) = delete;

    // Waits while another station records a punch of the same worker. Only that worker's row
    // is locked, so punches of other workers go on meanwhile. The short wait rides on the
    // statement itself: a session setting would cost a round trip on every punch, since a
    // connection opened again after a lost link starts with the server's 50 s.
    void lockWorker(int workerId) {
        try {
            connection_.exec(QStringLiteral("set statement innodb_lock_wait_timeout=%1 for ")
                                 .arg(kLockWaitSeconds) +
                             workerLockStatement(workerId));
        } catch (const DatabaseError& e) {
            if (e.code() == kLockWaitTimeoutError) {
                throw DatabaseError(
                    QStringLiteral("Otro terminal está registrando un fichaje de este "
                                   "trabajador. Vuelva a fichar dentro de un momento."),
                    e.code());
            }
            throw;
        }
    }

    void commit() {
        // A connection that was closed by a lost link must not be opened again here: the
        // commit would then succeed on a new, empty session while the punch was lost.
        if (!connection_.isOpen()) {
            throw DatabaseError(QStringLiteral("Error de la base de datos: se perdió la conexión"));
        }
        connection_.exec(QStringLiteral("commit"));
        finished_ = true;
    }

    void rollback() noexcept {
        if (finished_) {
            return;
        }
        finished_ = true;
        if (!connection_.isOpen()) {
            return;  // the server drops the transaction of a lost session by itself
        }
        QSqlQuery q(connection_.database());
        if (!q.exec(QStringLiteral("rollback"))) {
            // A transaction left open would swallow every later auto-commit write of the
            // station; closing the session makes the server drop it.
            connection_.close();
        }
    }

private:
    Connection& connection_;
    bool finished_ = false;
};

// After a rollback a dataset must show what the database holds: a pending edit is dropped,
// and one that posted inside the rolled-back transaction is read again, or closed when the
// link is gone (reading it again would first wait for a new connection).
void restore(Dataset& dataset, bool posted) noexcept {
    try {
        dataset.cancel();
        if (posted && dataset.isOpen()) {
            if (dataset.connection().isOpen()) {
                dataset.refresh();
            } else {
                dataset.close();
            }
        }
    } catch (...) {
        try {
            dataset.close();
        } catch (...) {
            // Nothing left to do: the punch's own error is what the worker is told.
        }
    }
}

void appendRow(Dataset& rows) {
    if (!rows.isOpen()) {
        rows.open();
    }
    rows.append();
}

}  // namespace

PunchOutcome punch(TDM& dm, const QString& code) {
    PunchOutcome outcome;
    if (code.isEmpty()) {
        return outcome;
    }

    // Built before anything is touched: a code that is no worker number stops the punch with
    // nothing looked up.
    const QString workerSql = workerStatement(dm.dbcontrol, code);
    Dataset& worker = dm.qtrabajadores;
    worker.close();
    worker.setSql(workerSql);
    worker.open();
    if (worker.isEmpty()) {
        outcome.kind = PunchOutcome::Kind::WorkerNotFound;
        return outcome;
    }
    const int workerId = worker.value(QStringLiteral("ID")).toInt();
    const QString name = worker.value(QStringLiteral("nombre")).toString();

    // The lookup above ran before the transaction on purpose: under repeatable read the first
    // plain read of a transaction fixes its snapshot, and that read must be the open-row
    // search after the lock, so that it sees the row another station has just committed.
    // Both the one-row cases and the day change run in this transaction: the lock has to last
    // from the search to the write, and the commit follows the last write at once, so a
    // one-row punch is stored exactly when an auto-committed one would be.
    Dataset& openRows = dm.qaux2;
    Dataset& rows = dm.qticados;
    bool openRowsPosted = false;
    bool rowsPosted = false;
    PunchTransaction transaction(dm.dbcontrol);
    try {
        transaction.lockWorker(workerId);
        openRows.close();
        openRows.setSql(openRowStatement(workerId));
        openRows.open();

        const QDateTime now = Clock::currentDateTime();
        const QDate today = now.date();
        if (openRows.isEmpty()) {
            appendRow(rows);
            rows.setValue(QStringLiteral("fecha"), today);
            rows.setValue(QStringLiteral("idt"), workerId);
            rows.setValue(QStringLiteral("TRABAJADOR"), name);
            rows.setValue(QStringLiteral("ENTRADA_REAL"), now.time());
            rows.setValue(QStringLiteral("centro"), dm.centrotrabajo);
            rows.post();
            rowsPosted = true;
            outcome.kind = PunchOutcome::Kind::EntryAccepted;
        } else if (openRows.value(QStringLiteral("fecha")).toDate() == today) {
            openRows.edit();
            openRows.setValue(QStringLiteral("SALIDA_REAL"), now.time());
            openRows.post();
            openRowsPosted = true;
            outcome.kind = PunchOutcome::Kind::ExitAccepted;
        } else {
            // The open row's own day ends at 23:59:59 and today is covered from 00:00:01:
            // each day's time sheet gets its part of the shift. Both rows or neither.
            openRows.edit();
            openRows.setValue(QStringLiteral("SALIDA_REAL"), QTime(23, 59, 59));
            openRows.post();
            openRowsPosted = true;
            appendRow(rows);
            rows.setValue(QStringLiteral("fecha"), today);
            rows.setValue(QStringLiteral("idt"), workerId);
            rows.setValue(QStringLiteral("TRABAJADOR"), name);
            rows.setValue(QStringLiteral("ENTRADA_REAL"), QTime(0, 0, 1));
            rows.setValue(QStringLiteral("SALIDA_REAL"), now.time());
            rows.post();
            rowsPosted = true;
            outcome.kind = PunchOutcome::Kind::ExitAccepted;
        }
        transaction.commit();
    } catch (...) {
        // Rolled back first, so that the datasets read again what is really stored.
        transaction.rollback();
        restore(openRows, openRowsPosted);
        restore(rows, rowsPosted);
        throw;
    }
    outcome.workerName = name;

    // The punch is stored: from here on a failure must not turn into "punch failed".
    try {
        // A failed re-read keeps the list as it was (see Dataset::refresh).
        dm.qmovimientos2.requery();
    } catch (const UserError& e) {
        outcome.listError = e.text();
    }
    return outcome;
}

}  // namespace horalia
