#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCharFormat>
#include <memory>

#include "calendario.h"
#include "clock.h"
#include "datamodule.h"
#include "paths.h"
#include "testdatabase.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const QDate kToday(2026, 4, 3);  // Good Friday: the test marks it as a holiday

// Clicks a day of the shown month the way a user does, on its cell in the calendar grid.
void clickDay(QCalendarWidget* calendar, const QDate& day) {
    calendar->setCurrentPage(day.year(), day.month());
    auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    QVERIFY(view);
    QAbstractItemModel* model = view->model();
    QModelIndex first;
    for (int r = 0; r < model->rowCount() && !first.isValid(); ++r) {
        for (int c = 0; c < model->columnCount() && !first.isValid(); ++c) {
            if (model->index(r, c).data().toString() == QLatin1String("1")) {
                first = model->index(r, c);
            }
        }
    }
    QVERIFY(first.isValid());
    const int cell = first.row() * model->columnCount() + first.column() + day.day() - 1;
    const QModelIndex target = model->index(cell / model->columnCount(), cell % model->columnCount());
    const QPoint at = view->visualRect(target).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
}
}  // namespace

class CalendarioTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<Tcalendario> window_;
    QSqlDatabase check_;
    std::unique_ptr<ReportRecorder> report_;

    int festivo(const QDate& d) {
        return scalar(check_, QStringLiteral("select festivo from calendario_laboral where fecha='%1'")
                                  .arg(d.toString(Qt::ISODate)))
            .toInt();
    }

public:
    ~CalendarioTest() override { cleanup(); }

private slots:
    void init() {
        Clock::setInstance(new TestClock(QDateTime(kToday, QTime(10, 0))));
        TestDatabase::create("t_calendar");
        TestDatabase::run("t_calendar",
                          "update calendario_laboral set festivo=1 where fecha='2026-04-03';"
                          "update calendario_laboral set festivo=2 where fecha='2026-04-07';"
                          "delete from calendario_laboral where fecha='2026-04-08';");
        Paths::setConfigFile(TestDatabase::writeConfig(dir_.filePath("config.ini"), "t_calendar", "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        window_ = std::make_unique<Tcalendario>(dm_->dbcontrol);
        check_ = TestDatabase::connect("check", "t_calendar");
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        window_.reset();
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
        Clock::setInstance(nullptr);
    }

    void dayCondition_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("condition");
        QTest::newRow("no leading zeros") << QDate(2024, 3, 5) << "fecha='5/3/2024'";
        QTest::newRow("two-digit day and month") << QDate(2060, 12, 31) << "fecha='31/12/2060'";
        QTest::newRow("first day of 2000") << QDate(2000, 1, 1) << "fecha='1/1/2000'";
    }
    void dayCondition() {
        QFETCH(QDate, day);
        QFETCH(QString, condition);
        QCOMPARE(Tcalendario::dayCondition(day), condition);
    }

    void openingShowsTodaysMark() {
        QCOMPARE(window_->windowTitle(), QString("Calendario Laboral"));
        QCOMPARE(window_->size(), QSize(425, 391));
        QCOMPARE(window_->meses->selectedDate(), kToday);
        QCOMPARE(window_->condition(), QString("fecha='3/4/2026'"));
        QCOMPARE(window_->qcalendario.recordCount(), 1);
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Checked);
        QVERIFY(report_->messages.isEmpty());
        // The month's holidays stand out without clicking each day.
        QCOMPARE(window_->meses->dateTextFormat(kToday).background().color(), QColor(255, 170, 170));
        QVERIFY(window_->meses->dateTextFormat(QDate(2026, 4, 6)).background().style() == Qt::NoBrush);
        window_->grab().save("/tmp/calendario.png");
    }

    void reopeningFiltersTheRowsReadLast() {
        clickDay(window_->meses, QDate(2026, 4, 6));
        SQL_EXEC(check_, "update calendario_laboral set festivo=0 where fecha='2026-04-03'");
        window_->hide();
        window_->show();
        QCOMPARE(window_->meses->selectedDate(), kToday);
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Checked);  // as read at the last click
    }

    void indeterminateDayBecomesAHolidayWithOneClick() {
        clickDay(window_->meses, QDate(2026, 4, 7));
        QCOMPARE(window_->meses->selectedDate(), QDate(2026, 4, 7));
        QCOMPARE(window_->chkfestivo->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(window_->qcalendario.state(), Dataset::State::Browse);
        QCOMPARE(festivo(QDate(2026, 4, 7)), 1);
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Checked);
    }

    void changesAreStoredAtOnceByMouseAndKeyboard() {
        clickDay(window_->meses, QDate(2026, 4, 6));
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(festivo(QDate(2026, 4, 6)), 1);
        clickDay(window_->meses, QDate(2026, 4, 9));
        QCOMPARE(festivo(QDate(2026, 4, 6)), 1);  // still stored after moving on
        window_->chkfestivo->setFocus();
        QTest::keyClick(window_->chkfestivo, Qt::Key_Space);
        QCOMPARE(festivo(QDate(2026, 4, 9)), 1);
        QTest::keyClick(window_->chkfestivo, Qt::Key_Space);
        QCOMPARE(festivo(QDate(2026, 4, 9)), 0);
    }

    void clickReadsChangesOfOtherStations() {
        SQL_EXEC(check_, "update calendario_laboral set festivo=0 where fecha='2026-04-03'");
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Checked);
        QSignalSpy reads(&window_->qcalendario, &Dataset::afterOpen);
        clickDay(window_->meses, kToday);  // the day already selected
        QCOMPARE(reads.size(), 1);
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Unchecked);
    }

    void dayWithoutRowCannotBeChanged() {
        clickDay(window_->meses, QDate(2026, 4, 8));
        QCOMPARE(window_->chkfestivo->checkState(), Qt::PartiallyChecked);
        QVERIFY(!window_->chkfestivo->isEnabled());
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(scalar(check_, "select count(*) from calendario_laboral where fecha='2026-04-08'").toInt(), 0);
        QVERIFY(report_->messages.isEmpty());
    }

    void holidayReachesTheTimeSheetsOfThatDay() {
        SQL_EXEC(check_, "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) "
                         "values ('2026-04-06', 7, 'PEREZ ROS JUAN', '08:00:00', '14:00:00')");
        QCOMPARE(scalar(check_, "select festivo from ticadoscompleto where idt=7").toInt(), 0);
        clickDay(window_->meses, QDate(2026, 4, 6));
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(scalar(check_, "select festivo from ticadoscompleto where idt=7").toInt(), 1);
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(scalar(check_, "select festivo from ticadoscompleto where idt=7").toInt(), 0);
    }

    void lostConnectionWhileStoringIsReported() {
        clickDay(window_->meses, QDate(2026, 4, 6));
        const QVariant id = scalar(dm_->dbcontrol.database(), "select connection_id()");
        SQL_EXEC(check_, "kill " + id.toString());
        QTest::mouseClick(window_->chkfestivo, Qt::LeftButton);
        QCOMPARE(report_->messages.size(), 1);
        QVERIFY2(report_->messages.first().startsWith("Error de la base de datos"),
                 qPrintable(report_->messages.first()));
        QVERIFY(window_->isVisible());
        QCOMPARE(festivo(QDate(2026, 4, 6)), 0);
        clickDay(window_->meses, QDate(2026, 4, 6));  // the next click connects again
        QCOMPARE(window_->chkfestivo->checkState(), Qt::Unchecked);
        QCOMPARE(report_->messages.size(), 1);
    }
};

QTEST_MAIN(CalendarioTest)

#include "tst_calendario.moc"
