// The time sheets (ticadoscompleto) that db/schema.sql derives from the punch rows (ticados),
// checked on the private MariaDB server of the test fixture through plain QMYSQL connections.
//
// A time sheet row is compared as text, one line for what the office sees and one for the
// punched (_m) columns:
//   plain   "entradam-salidam horasm / entradat-salidat horast = num_horas"
//   punched "salidam_m horasm_m / salidat_m horast_m = num_horas_m"
// with "null" for an empty column. Hours print with two decimals only when the stored value
// is already rounded to two decimals, so a value that is not shows up in the comparison.

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>
#include <QTest>
#include <cmath>

#include "testdatabase.h"

using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {

const QString kDb = QStringLiteral("t_timesheets");
const QString kRebuiltDb = QStringLiteral("t_timesheets_rebuilt");
const QDate kDay(2026, 3, 2);
const QDate kHoliday(2026, 3, 19);

QString sqlDate(QDate d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

QString text(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("null");
    }
    switch (v.typeId()) {
    case QMetaType::Double: {
        const double cents = v.toDouble() * 100;
        if (std::abs(cents - std::round(cents)) > 1e-6) {
            return QStringLiteral("unrounded(%1)").arg(v.toDouble(), 0, 'g', 17);
        }
        return QString::number(v.toDouble(), 'f', 2);
    }
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    default:
        return v.toString();
    }
}

QString plain(const QSqlRecord& r) {
    if (r.isEmpty()) {
        return QStringLiteral("no row");
    }
    return QStringLiteral("%1-%2 %3 / %4-%5 %6 = %7")
        .arg(text(r.value("entradam")), text(r.value("salidam")), text(r.value("horasm")),
             text(r.value("entradat")), text(r.value("salidat")), text(r.value("horast")),
             text(r.value("num_horas")));
}

QString punched(const QSqlRecord& r) {
    if (r.isEmpty()) {
        return QStringLiteral("no row");
    }
    return QStringLiteral("%1 %2 / %3 %4 = %5")
        .arg(text(r.value("salidam_m")), text(r.value("horasm_m")), text(r.value("salidat_m")),
             text(r.value("horast_m")), text(r.value("num_horas_m")));
}

// The plain columns in the punched layout: equal to punched() while the row follows the punches.
QString plainAsPunched(const QSqlRecord& r) {
    if (r.isEmpty()) {
        return QStringLiteral("no row");
    }
    return QStringLiteral("%1 %2 / %3 %4 = %5")
        .arg(text(r.value("salidam")), text(r.value("horasm")), text(r.value("salidat")),
             text(r.value("horast")), text(r.value("num_horas")));
}

[[nodiscard]] bool run(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (q.exec(sql)) {
        return true;
    }
    qWarning().noquote() << sql << "->" << q.lastError().text();
    return false;
}

// Punches the way the terminal does: the entry inserts an open row, the exit fills it in.
// `interval` is "HH:MM:SS-HH:MM:SS", or "HH:MM:SS-" for one still open.
[[nodiscard]] bool punch(const QSqlDatabase& db, int idt, QDate day, const QString& interval) {
    const QStringList ends = interval.split(QLatin1Char('-'));
    if (!run(db, QStringLiteral("insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) "
                                "values (%1, %2, 'TRABAJADOR %2', '%3', 'ALMACEN')")
                     .arg(sqlDate(day)).arg(idt).arg(ends[0]))) {
        return false;
    }
    return ends[1].isEmpty()
           || run(db, QStringLiteral("update ticados set SALIDA_REAL = '%4' where idt = %1 and "
                                     "fecha = %2 and ENTRADA_REAL = '%3' and SALIDA_REAL is null")
                          .arg(idt).arg(sqlDate(day), ends[0], ends[1]));
}

// A bulk load writes whole intervals at once, with the derivation switched off.
[[nodiscard]] bool load(const QSqlDatabase& db, int idt, QDate day, const QString& interval) {
    const QStringList ends = interval.split(QLatin1Char('-'));
    return run(db, QStringLiteral("insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, "
                                  "SALIDA_REAL) values (%1, %2, 'TRABAJADOR %2', '%3', %4)")
                       .arg(sqlDate(day)).arg(idt)
                       .arg(ends[0], ends[1].isEmpty() ? QStringLiteral("null")
                                                       : QLatin1Char('\'') + ends[1] + QLatin1Char('\'')));
}

[[nodiscard]] bool unpunch(const QSqlDatabase& db, int idt, QDate day, const QString& entry) {
    return run(db, QStringLiteral("delete from ticados where idt = %1 and fecha = %2 and ENTRADA_REAL = '%3'")
                       .arg(idt).arg(sqlDate(day), entry));
}

[[nodiscard]] bool correct(const QSqlDatabase& db, int idt, QDate day, const QString& assignments) {
    return run(db, QStringLiteral("update ticadoscompleto set %3 where idt = %1 and fecha = %2")
                       .arg(idt).arg(sqlDate(day), assignments));
}

// The time sheet row of a worker-day; an empty record when there is none.
QSqlRecord sheet(const QSqlDatabase& db, int idt, QDate day) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select * from ticadoscompleto where idt = %1 and fecha = %2")
                    .arg(idt).arg(sqlDate(day)))) {
        qWarning().noquote() << q.lastError().text();
        return {};
    }
    return q.next() ? q.record() : QSqlRecord();
}

// Every time sheet row, all columns but the id, one line per row.
QStringList allSheets(const QSqlDatabase& db) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select * from ticadoscompleto order by idt, fecha"))) {
        return {q.lastError().text()};
    }
    QStringList rows;
    while (q.next()) {
        QStringList cols;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i) {
            if (r.fieldName(i) != QLatin1String("id")) {
                cols << r.fieldName(i) + QLatin1Char('=') + text(r.value(i));
            }
        }
        rows << cols.join(QLatin1Char(' '));
    }
    return rows;
}

// A row as "column=value" lines, from the table or from a JSON object of the change log, so
// the two can be compared column by column.
QStringList columns(const QSqlRecord& r) {
    QStringList out;
    for (int i = 0; i < r.count(); ++i) {
        const QVariant v = r.value(i);
        out << r.fieldName(i) + QLatin1Char('=')
                   + (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15) : text(v));
    }
    out.sort();
    return out;
}

QStringList columns(const QString& json) {
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    QStringList out;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QJsonValue v = it.value();
        out << it.key() + QLatin1Char('=')
                   + (v.isNull()     ? QStringLiteral("null")
                      : v.isDouble() ? QString::number(v.toDouble(), 'g', 15)
                                     : v.toString());
    }
    out.sort();
    return out;
}

// Rows of other worker-days around kDay, which no change to worker 1 on kDay may touch.
struct Neighbour {
    int idt;
    QDate day;
    QString interval;
    QString line;
};
const QList<Neighbour> kNeighbours = {
    {2, kDay, "07:00:00-15:00:00", "07:00:00-15:00:00 8.00 / null-null 0.00 = 8.00"},
    {1, kDay.addDays(-1), "09:00:00-10:00:00", "09:00:00-10:00:00 1.00 / null-null 0.00 = 1.00"},
    {1, kDay.addDays(1), "11:00:00-12:00:00", "11:00:00-12:00:00 1.00 / null-null 0.00 = 1.00"},
};

// The punch history the rebuild is compared on: every kind of day, corrections made between
// punches, and punch rows deleted afterwards.
struct Step {
    enum Kind { Punch, Correct, Unpunch } kind;
    int idt;
    QDate day;
    QString arg;  // interval, assignments, or entry time of the punch row to delete
};
const QList<Step> kHistory = {
    {Step::Punch, 1, kDay, "08:00:00-13:30:00"},
    {Step::Punch, 2, kDay, "08:00:00-13:30:00"},
    {Step::Punch, 2, kDay, "15:00:00-17:00:00"},
    {Step::Punch, 3, kDay, "08:00:00-12:20:00"},
    {Step::Punch, 3, kDay, "13:00:00-17:20:00"},
    {Step::Punch, 3, kDay, "18:00:00-19:15:00"},
    {Step::Punch, 4, kDay, "15:00:00-19:00:00"},
    {Step::Punch, 4, kDay, "08:00:00-12:00:00"},
    {Step::Punch, 5, kDay, "08:00:00-"},
    {Step::Punch, 2, kDay.addDays(1), "08:00:00-13:30:00"},
    {Step::Punch, 2, kDay.addDays(1), "15:00:00-"},
    {Step::Punch, 6, kDay, "22:00:00-23:59:59"},
    {Step::Punch, 6, kDay.addDays(1), "00:00:01-06:00:00"},
    {Step::Punch, 1, kHoliday, "08:00:00-14:00:00"},
    {Step::Punch, 7, kDay, "08:00:00-13:30:00"},
    {Step::Correct, 7, kDay, "salidam = '14:00:00'"},
    {Step::Punch, 7, kDay, "15:00:00-18:00:00"},
    {Step::Punch, 8, kDay, "09:00:00-13:00:00"},
    {Step::Correct, 8, kDay, "horasm = 5"},
    {Step::Unpunch, 8, kDay, "09:00:00"},
    {Step::Punch, 9, kDay, "10:00:00-11:00:00"},
    {Step::Unpunch, 9, kDay, "10:00:00"},
};

// One step of kHistory; `bulk` writes punch rows the way a bulk load does.
[[nodiscard]] bool play(const QSqlDatabase& db, const Step& s, bool bulk) {
    switch (s.kind) {
    case Step::Punch:
        return bulk ? load(db, s.idt, s.day, s.arg) : punch(db, s.idt, s.day, s.arg);
    case Step::Correct:
        return correct(db, s.idt, s.day, s.arg);
    case Step::Unpunch:
        return unpunch(db, s.idt, s.day, s.arg);
    }
    return false;
}

}  // namespace

class TimesheetsTest : public QObject {
    Q_OBJECT
    QSqlDatabase db_;

public:
    ~TimesheetsTest() override { cleanup(); }

private:
    // A connection as an office account holding only the rights the README gives the stations:
    // the triggers must still derive, log and read the calendar with their own rights.
    QSqlDatabase connectAsOffice() {
        for (const QString& sql :
             {QStringLiteral("create or replace user 'oficina'@'%' identified by 'oficina'"),
              QStringLiteral("grant select, insert, update, delete on %1.ticados to 'oficina'@'%'").arg(kDb),
              QStringLiteral("grant select, insert, update, delete on %1.ticadoscompleto to 'oficina'@'%'").arg(kDb),
              QStringLiteral("grant select, update on %1.calendario_laboral to 'oficina'@'%'").arg(kDb)}) {
            if (!run(db_, sql)) {
                return {};
            }
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("oficina"));
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(TestDatabase::port());
        db.setUserName(QStringLiteral("oficina"));
        db.setPassword(QStringLiteral("oficina"));
        db.setDatabaseName(kDb);
        if (!db.open()) {
            qWarning().noquote() << db.lastError().text();
        }
        return db;
    }

    // Worker 1 on kDay: morning and afternoon, both closed.
    [[nodiscard]] bool punchSplitShift() {
        return punch(db_, 1, kDay, "08:00:00-13:30:00") && punch(db_, 1, kDay, "15:00:00-17:00:00");
    }

    [[nodiscard]] bool punchNeighbours() {
        for (const Neighbour& n : kNeighbours) {
            if (!punch(db_, n.idt, n.day, n.interval)) {
                return false;
            }
        }
        return true;
    }

    void verifyNeighbours() {
        for (const Neighbour& n : kNeighbours) {
            QCOMPARE(plain(sheet(db_, n.idt, n.day)), n.line);
        }
    }

private slots:
    void init() {
        TestDatabase::create(kDb);
        db_ = TestDatabase::connect(QStringLiteral("timesheets"), kDb);
    }
    void cleanup() {
        db_ = QSqlDatabase();
        for (const char* name : {"timesheets", "oficina", "rebuilt"}) {
            TestDatabase::disconnect(QLatin1String(name));
        }
    }

    void dayIsDerivedFromItsIntervals_data() {
        QTest::addColumn<QStringList>("intervals");  // in the order they are punched
        QTest::addColumn<QString>("expected");

        QTest::newRow("one interval") << QStringList{"08:00:00-13:30:00"}
                                      << "08:00:00-13:30:00 5.50 / null-null 0.00 = 5.50";
        QTest::newRow("open interval: no exit, no hours")
            << QStringList{"08:00:00-"} << "08:00:00-null 0.00 / null-null 0.00 = 0.00";
        QTest::newRow("two intervals: morning and afternoon")
            << QStringList{"08:00:00-13:30:00", "15:00:00-19:15:00"}
            << "08:00:00-13:30:00 5.50 / 15:00:00-19:15:00 4.25 = 9.75";
        QTest::newRow("afternoon still open")
            << QStringList{"08:00:00-13:30:00", "15:00:00-"}
            << "08:00:00-13:30:00 5.50 / 15:00:00-null 0.00 = 5.50";
        QTest::newRow("third interval extends the afternoon")
            << QStringList{"08:00:00-12:00:00", "13:00:00-15:00:00", "16:00:00-18:30:00"}
            << "08:00:00-12:00:00 4.00 / 13:00:00-18:30:00 4.50 = 8.50";
        QTest::newRow("third interval open: afternoon without exit keeps the closed hours")
            << QStringList{"08:00:00-12:00:00", "13:00:00-15:00:00", "16:00:00-"}
            << "08:00:00-12:00:00 4.00 / 13:00:00-null 2.00 = 6.00";
        QTest::newRow("punched out of order: intervals go by entry time")
            << QStringList{"15:00:00-17:00:00", "08:00:00-13:30:00"}
            << "08:00:00-13:30:00 5.50 / 15:00:00-17:00:00 2.00 = 7.50";
        QTest::newRow("thirds of an hour: each half rounded, total is their sum")
            << QStringList{"08:00:00-12:20:00", "13:00:00-17:20:00"}
            << "08:00:00-12:20:00 4.33 / 13:00:00-17:20:00 4.33 = 8.66";
        QTest::newRow("exactly half a hundredth rounds up")
            << QStringList{"08:00:00-09:00:54"} << "08:00:00-09:00:54 1.02 / null-null 0.00 = 1.02";
    }
    void dayIsDerivedFromItsIntervals() {
        QFETCH(QStringList, intervals);
        QFETCH(QString, expected);
        QVERIFY(punchNeighbours());
        for (const QString& i : intervals) {
            QVERIFY(punch(db_, 1, kDay, i));
        }
        const QSqlRecord row = sheet(db_, 1, kDay);
        QCOMPARE(plain(row), expected);
        QCOMPARE(punched(row), plainAsPunched(row));
        QCOMPARE(row.value("TRABAJADOR").toString(), QString("TRABAJADOR 1"));
        verifyNeighbours();
        QCOMPARE(scalar(db_, "select count(*) from ticadoscompleto").toInt(), int(kNeighbours.size()) + 1);
    }

    void nightAcrossMidnightGivesTwoDays() {
        // The terminal closes the night at 23:59:59 and opens the next day at 00:00:01.
        QVERIFY(punch(db_, 1, kDay, "22:00:00-23:59:59"));
        QVERIFY(punch(db_, 1, kDay.addDays(1), "00:00:01-06:00:00"));
        QCOMPARE(plain(sheet(db_, 1, kDay)), QString("22:00:00-23:59:59 2.00 / null-null 0.00 = 2.00"));
        QCOMPARE(plain(sheet(db_, 1, kDay.addDays(1))),
                 QString("00:00:01-06:00:00 6.00 / null-null 0.00 = 6.00"));
        QCOMPARE(punched(sheet(db_, 1, kDay.addDays(1))), QString("06:00:00 6.00 / null 0.00 = 6.00"));
    }

    // An office edit of the split shift 08:00-13:30 + 15:00-17:00, then a third interval
    // 18:00-19:30 punched the same day.
    void officeEditAndLaterPunch_data() {
        QTest::addColumn<QString>("assignments");
        QTest::addColumn<QString>("edited");  // plain line right after the edit
        QTest::addColumn<bool>("kept");       // the edit survives the later punch

        const QString base = "08:00:00-13:30:00 5.50 / 15:00:00-17:00:00 2.00 = 7.50";
        QTest::newRow("morning exit moved: morning hours recomputed to two decimals, total follows")
            << "salidam = '13:50:00'" << "08:00:00-13:50:00 5.83 / 15:00:00-17:00:00 2.00 = 7.83" << true;
        QTest::newRow("afternoon entry moved: afternoon hours and total recomputed")
            << "entradat = '15:30:00'" << "08:00:00-13:30:00 5.50 / 15:30:00-17:00:00 1.50 = 7.00" << true;
        QTest::newRow("afternoon exit cleared: no afternoon hours")
            << "salidat = null" << "08:00:00-13:30:00 5.50 / 15:00:00-null 0.00 = 5.50" << true;
        QTest::newRow("time and its hours set together: the given hours stay")
            << "salidam = '14:00:00', horasm = 5" << "08:00:00-14:00:00 5.00 / 15:00:00-17:00:00 2.00 = 7.00"
            << true;
        QTest::newRow("time and total set together: the given total stays")
            << "salidam = '14:00:00', num_horas = 10"
            << "08:00:00-14:00:00 6.00 / 15:00:00-17:00:00 2.00 = 10.00" << true;
        QTest::newRow("hours alone: the total follows")
            << "horast = 3" << "08:00:00-13:30:00 5.50 / 15:00:00-17:00:00 3.00 = 8.50" << true;
        QTest::newRow("punched columns written as well: they stay as punched")
            << "salidam = '14:00:00', salidam_m = '14:00:00', horasm_m = 6, num_horas_m = 8"
            << "08:00:00-14:00:00 6.00 / 15:00:00-17:00:00 2.00 = 8.00" << true;
        QTest::newRow("remark only: the row still follows the punches")
            << "observaciones = 'MEDICO'" << base << false;
        QTest::newRow("row posted back unchanged: the row still follows the punches")
            << "entradam = '08:00:00', salidam = '13:30:00', horasm = 5.5, num_horas = 7.5" << base << false;
    }
    void officeEditAndLaterPunch() {
        QFETCH(QString, assignments);
        QFETCH(QString, edited);
        QFETCH(bool, kept);
        QVERIFY(punchSplitShift());
        QVERIFY(correct(db_, 1, kDay, assignments));
        QSqlRecord row = sheet(db_, 1, kDay);
        QCOMPARE(plain(row), edited);
        QCOMPARE(punched(row), QString("13:30:00 5.50 / 17:00:00 2.00 = 7.50"));

        QVERIFY(punch(db_, 1, kDay, "18:00:00-19:30:00"));
        row = sheet(db_, 1, kDay);
        QCOMPARE(plain(row), kept ? edited : QString("08:00:00-13:30:00 5.50 / 15:00:00-19:30:00 3.50 = 9.00"));
        QCOMPARE(punched(row), QString("13:30:00 5.50 / 19:30:00 3.50 = 9.00"));
    }

    void deletingPunches_data() {
        QTest::addColumn<QString>("correction");  // made before the deletion, if any
        QTest::addColumn<QStringList>("deleted");  // entry times of the punch rows deleted
        QTest::addColumn<QString>("expectedPlain");
        QTest::addColumn<QString>("expectedPunched");

        QTest::newRow("afternoon deleted: the morning is left")
            << QString() << QStringList{"15:00:00"} << "08:00:00-13:30:00 5.50 / null-null 0.00 = 5.50"
            << "13:30:00 5.50 / null 0.00 = 5.50";
        QTest::newRow("morning deleted: the afternoon becomes the morning")
            << QString() << QStringList{"08:00:00"} << "15:00:00-17:00:00 2.00 / null-null 0.00 = 2.00"
            << "17:00:00 2.00 / null 0.00 = 2.00";
        QTest::newRow("every punch deleted: the row goes")
            << QString() << QStringList{"08:00:00", "15:00:00"} << "no row" << "no row";
        QTest::newRow("corrected row outlives its punches, with empty punched columns")
            << "salidam = '14:00:00'" << QStringList{"15:00:00", "08:00:00"}
            << "08:00:00-14:00:00 6.00 / 15:00:00-17:00:00 2.00 = 8.00" << "null 0.00 / null 0.00 = 0.00";
    }
    void deletingPunches() {
        QFETCH(QString, correction);
        QFETCH(QStringList, deleted);
        QFETCH(QString, expectedPlain);
        QFETCH(QString, expectedPunched);
        QVERIFY(punchNeighbours());
        QVERIFY(punchSplitShift());
        if (!correction.isEmpty()) {
            QVERIFY(correct(db_, 1, kDay, correction));
        }
        for (const QString& entry : deleted) {
            QVERIFY(unpunch(db_, 1, kDay, entry));
        }
        const QSqlRecord row = sheet(db_, 1, kDay);
        QCOMPARE(plain(row), expectedPlain);
        QCOMPARE(punched(row), expectedPunched);
        verifyNeighbours();
    }

    void holidayFollowsTheCalendar_data() {
        QTest::addColumn<int>("markBefore");  // calendar festivo when the first punch arrives
        QTest::addColumn<int>("markAfter");   // calendar festivo set afterwards
        QTest::addColumn<bool>("corrected");  // the office corrected the row in between
        QTest::addColumn<int>("festivoBefore");
        QTest::addColumn<int>("festivoAfter");

        QTest::newRow("holiday before the first punch, cleared later") << 1 << 0 << false << 1 << 0;
        QTest::newRow("working day marked a holiday later") << 0 << 1 << false << 0 << 1;
        QTest::newRow("corrected row follows the calendar too") << 0 << 1 << true << 0 << 1;
        QTest::newRow("marks other than 1 are no holiday") << 2 << 3 << false << 0 << 0;
    }
    void holidayFollowsTheCalendar() {
        QFETCH(int, markBefore);
        QFETCH(int, markAfter);
        QFETCH(bool, corrected);
        QFETCH(int, festivoBefore);
        QFETCH(int, festivoAfter);
        const QString mark = QStringLiteral("update calendario_laboral set festivo = %1 where fecha = ")
                             + sqlDate(kDay);
        SQL_EXEC(db_, mark.arg(markBefore));
        QVERIFY(punchNeighbours());
        QVERIFY(punch(db_, 1, kDay, "08:00:00-13:30:00"));
        QCOMPARE(sheet(db_, 1, kDay).value("festivo").toInt(), festivoBefore);
        if (corrected) {
            QVERIFY(correct(db_, 1, kDay, "salidam = '14:00:00'"));
        }

        SQL_EXEC(db_, mark.arg(markAfter));
        QCOMPARE(sheet(db_, 1, kDay).value("festivo").toInt(), festivoAfter);
        QCOMPARE(sheet(db_, 2, kDay).value("festivo").toInt(), festivoAfter);
        QCOMPARE(sheet(db_, 1, kDay.addDays(1)).value("festivo").toInt(), 0);

        // A calendar change is no correction: the row goes on following the punches unless
        // the office corrected it.
        QVERIFY(punch(db_, 1, kDay, "15:00:00-17:00:00"));
        const QSqlRecord row = sheet(db_, 1, kDay);
        QCOMPARE(plain(row), corrected ? QString("08:00:00-14:00:00 6.00 / null-null 0.00 = 6.00")
                                       : QString("08:00:00-13:30:00 5.50 / 15:00:00-17:00:00 2.00 = 7.50"));
    }

    // Each action runs on the office account's connection; the log must hold the row as it
    // was before and as it is after, who changed it and when.
    void changeLogRecordsEveryChange_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("accion");  // empty: the action must leave no entry
        QTest::addColumn<QString>("origen");
        QTest::addColumn<QString>("change");  // "column before>after" the entry must show

        const QString day = sqlDate(kDay);
        QTest::newRow("afternoon punch: update by the derivation")
            << "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL) values (" + day
                   + ", 1, 'TRABAJADOR 1', '15:00:00')"
            << "UPDATE" << "derivacion" << "entradat null>15:00:00";
        QTest::newRow("office correction")
            << "update ticadoscompleto set salidam = '14:00:00' where idt = 1 and fecha = " + day << "UPDATE"
            << "usuario" << "salidam 13:30:00>14:00:00";
        QTest::newRow("holiday marked in the calendar")
            << "update calendario_laboral set festivo = 1 where fecha = " + day << "UPDATE" << "usuario"
            << "festivo 0>1";
        QTest::newRow("office deletes the row")
            << "delete from ticadoscompleto where idt = 1 and fecha = " + day << "DELETE" << "usuario"
            << "horasm 5.50>null";
        QTest::newRow("last punch deleted: the derivation deletes the row")
            << "delete from ticados where idt = 1 and fecha = " + day << "DELETE" << "derivacion"
            << "salidam 13:30:00>null";
        QTest::newRow("row posted back unchanged: no entry")
            << "update ticadoscompleto set salidam = '13:30:00', horasm = 5.5 where idt = 1 and fecha = " + day
            << QString() << QString() << QString();
    }
    void changeLogRecordsEveryChange() {
        QFETCH(QString, action);
        QFETCH(QString, accion);
        QFETCH(QString, origen);
        QFETCH(QString, change);
        QVERIFY(punch(db_, 1, kDay, "08:00:00-13:30:00"));
        QVERIFY(punch(db_, 2, kDay, "08:00:00-13:30:00"));
        const QSqlDatabase office = connectAsOffice();
        QVERIFY(office.isOpen());
        const QSqlRecord before = sheet(db_, 1, kDay);
        const qlonglong lastEntry = scalar(db_, "select ifnull(max(id), 0) from ticadoscompleto_log").toLongLong();
        SQL_EXEC(db_, "set @antes_de_la_accion = now(6)");

        SQL_EXEC(office, action);

        QSqlQuery log(db_);
        QVERIFY(log.exec(QStringLiteral("select ticadoscompleto_id, accion, origen, usuario, antes, despues, "
                                        "momento between @antes_de_la_accion and now(6) "
                                        "from ticadoscompleto_log where id > %1 order by id")
                             .arg(lastEntry)));
        if (accion.isEmpty()) {
            QVERIFY2(!log.next(), "an update that changes nothing is logged");
            return;
        }
        // The calendar change also writes worker 2's row; the entry checked is worker 1's.
        QVERIFY(log.next());
        if (log.value(0).toLongLong() != before.value("id").toLongLong()) {
            QVERIFY(log.next());
        }
        QCOMPARE(log.value(0).toLongLong(), before.value("id").toLongLong());
        QCOMPARE(log.value(1).toString(), accion);
        QCOMPARE(log.value(2).toString(), origen);
        QVERIFY2(log.value(3).toString().startsWith("oficina@"), qPrintable(log.value(3).toString()));
        QCOMPARE(columns(log.value(4).toString()), columns(before));
        const QSqlRecord after = sheet(db_, 1, kDay);
        if (accion == "DELETE") {
            QVERIFY(after.isEmpty());
            QVERIFY(log.value(5).isNull());
        } else {
            QCOMPARE(columns(log.value(5).toString()), columns(after));
        }
        QVERIFY(log.value(6).toBool());

        const QString column = change.section(' ', 0, 0);
        const QString wanted = change.section(' ', 1);
        QCOMPARE(QString("%1>%2").arg(text(before.value(column)),
                                      after.isEmpty() ? QString("null") : text(after.value(column))),
                 wanted);
    }

    void changeLogRefusesRewrites() {
        QVERIFY(punch(db_, 1, kDay, "08:00:00-13:30:00"));
        QVERIFY(correct(db_, 1, kDay, "salidam = '14:00:00'"));
        const int entries = scalar(db_, "select count(*) from ticadoscompleto_log").toInt();
        QVERIFY(entries > 0);
        QSqlQuery q(db_);
        QVERIFY(!q.exec("update ticadoscompleto_log set usuario = 'nadie'"));
        QVERIFY(!q.exec("delete from ticadoscompleto_log"));
        QCOMPARE(scalar(db_, "select count(*) from ticadoscompleto_log").toInt(), entries);
        QCOMPARE(scalar(db_, "select count(*) from ticadoscompleto_log where usuario = 'nadie'").toInt(), 0);
    }

    // The same history played through the triggers into kDb and, in a second database, turned
    // into time sheets by reconstruir_jornadas(): both must hold the same rows.
    void rebuildGivesTheTriggersRows_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("bulk load into empty time sheets") << "bulk";
        QTest::newRow("repair of missing, stale and orphan rows") << "repair";
        QTest::newRow("consistent time sheets: nothing is written") << "consistent";
    }
    void rebuildGivesTheTriggersRows() {
        QFETCH(QString, mode);
        const QString markHoliday =
            QStringLiteral("update calendario_laboral set festivo = 1 where fecha = ") + sqlDate(kHoliday);
        SQL_EXEC(db_, markHoliday);
        for (const Step& s : kHistory) {
            QVERIFY(play(db_, s, false));
        }
        const QStringList expected = allSheets(db_);
        // The history reaches every rule the rebuild has to repeat.
        QCOMPARE(expected.size(), qsizetype(11));
        QCOMPARE(punched(sheet(db_, 7, kDay)), QString("13:30:00 5.50 / 18:00:00 3.00 = 8.50"));
        QCOMPARE(plain(sheet(db_, 7, kDay)), QString("08:00:00-14:00:00 6.00 / null-null 0.00 = 6.00"));
        QCOMPARE(sheet(db_, 1, kHoliday).value("festivo").toInt(), 1);

        TestDatabase::create(kRebuiltDb);
        const QSqlDatabase rebuilt = TestDatabase::connect(QStringLiteral("rebuilt"), kRebuiltDb);
        SQL_EXEC(rebuilt, markHoliday);
        if (mode == "bulk") {
            SQL_EXEC(rebuilt, "set @horalia_sin_derivar = 1");
            for (const Step& s : kHistory) {
                if (s.kind == Step::Correct) {
                    // the office can only correct a row that exists
                    SQL_EXEC(rebuilt, "call reconstruir_jornadas()");
                }
                QVERIFY(play(rebuilt, s, true));
            }
            SQL_EXEC(rebuilt, "set @horalia_sin_derivar = null");
            QVERIFY(allSheets(rebuilt) != expected);
        } else {
            for (const Step& s : kHistory) {
                QVERIFY(play(rebuilt, s, false));
            }
        }
        if (mode == "repair") {
            // Damage as a broken derivation would leave it, bypassing the correction rules.
            SQL_EXEC(rebuilt, "set @horalia_derivando = 1");
            SQL_EXEC(rebuilt, "delete from ticadoscompleto where idt = 1 and fecha = " + sqlDate(kDay));
            SQL_EXEC(rebuilt, "update ticadoscompleto set salidat = '16:00:00', horast = 1, num_horas = 6.5, "
                              "horast_m = 1, festivo = 1 where idt = 2 and fecha = " + sqlDate(kDay));
            SQL_EXEC(rebuilt, "update ticadoscompleto set salidat_m = null, horast_m = 0, num_horas_m = 5.5 "
                              "where idt = 7 and fecha = " + sqlDate(kDay));
            SQL_EXEC(rebuilt, "update ticadoscompleto set festivo = 0 where idt = 1 and fecha = " + sqlDate(kHoliday));
            SQL_EXEC(rebuilt, "insert into ticadoscompleto (fecha, idt, TRABAJADOR, entradam, salidam, horasm, "
                              "num_horas) values (" + sqlDate(kDay.addDays(5)) + ", 9, 'TRABAJADOR 9', "
                              "'08:00:00', '09:00:00', 1, 1)");
            SQL_EXEC(rebuilt, "set @horalia_derivando = null");
            QVERIFY(allSheets(rebuilt) != expected);
        }
        const int entries = scalar(rebuilt, "select count(*) from ticadoscompleto_log").toInt();

        SQL_EXEC(rebuilt, "call reconstruir_jornadas()");

        QCOMPARE(allSheets(rebuilt), expected);
        if (mode == "consistent") {
            QCOMPARE(scalar(rebuilt, "select count(*) from ticadoscompleto_log").toInt(), entries);
        }
        // The session is left as it was: a later office edit is still a correction.
        QVERIFY(scalar(rebuilt, "select @horalia_derivando").isNull());
        QVERIFY(correct(rebuilt, 2, kDay, "salidam = '14:00:00'"));
        QVERIFY(punch(rebuilt, 2, kDay, "18:00:00-19:00:00"));
        QCOMPARE(plain(sheet(rebuilt, 2, kDay)), QString("08:00:00-14:00:00 6.00 / 15:00:00-17:00:00 2.00 = 8.00"));
    }
};

QTEST_GUILESS_MAIN(TimesheetsTest)
#include "tst_timesheets.moc"
