// The time-records window and its bulk adjustment, against the private MariaDB server with the
// triggers that derive the time sheets from the punch rows.

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <limits>
#include <memory>

#include "ajuste.h"
#include "clock.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "errors.h"
#include "jornadas.h"
#include "paths.h"
#include "report.h"
#include "testdatabase.h"
#include "ticados.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const QString kDb = QStringLiteral("t_ticados");
const QDate kToday(2024, 3, 5);  // a Tuesday; the first period is 4 and 5 March
const QDate kHoliday(2024, 3, 1);

// Workers by name: GARCIA LOPEZ (1), GARCIA PONS (4), MARTIN (2), PEÑA D'ARCY (6),
// ROS\VIDAL (7), SANZ (3), ZAPATA (8, a former worker).
const char* kWorkers =
    "insert into trabajadores (ID, NIF, nombre, activo) values "
    "(1, '11111111H', 'GARCIA LOPEZ ANA', 1), (2, '22222222J', 'MARTIN RUIZ LUIS', 2),"
    "(3, '33333333P', 'SANZ GIL EVA', 3), (4, '44444444A', 'GARCIA PONS JUAN', 2),"
    "(6, '66666666Q', 'PEÑA D''ARCY ROSA', 1), (7, '77777777B', 'ROS\\\\VIDAL PEDRO', 1),"
    "(8, '88888888Y', 'ZAPATA MOLINA LUCIA', 0);"
    "update calendario_laboral set festivo=1 where fecha='2024-03-01';";

// Punch rows; the triggers make the time sheets: worker 1 works 1 March (a holiday), 4 March
// (morning and afternoon) and 5 March; worker 2 on 4 and 5 March (no afternoon on the 5th);
// worker 4 on 5 March.
const char* kPunches =
    "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) values "
    "('2024-03-01', 1, 'GARCIA LOPEZ ANA', '09:00:00', '13:00:00'),"
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '15:00:00', '18:00:00'),"
    "('2024-03-05', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 2, 'MARTIN RUIZ LUIS', '07:00:00', '15:00:00'),"
    "('2024-03-04', 2, 'MARTIN RUIZ LUIS', '16:00:00', '18:00:00'),"
    "('2024-03-05', 2, 'MARTIN RUIZ LUIS', '07:00:00', '11:00:00'),"
    "('2024-03-05', 4, 'GARCIA PONS JUAN', '08:30:00', '13:30:00');";

QStringList allWorkers() {
    return {"1", "4", "2", "6", "7", "3", "8"};
}

// Hours as the grids and the label show them: general number format, Spanish comma.
QString general(double hours) {
    return QLocale().toString(hours, 'g', 15);
}
}  // namespace

class TicadosTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<Tticados> w_;
    QSqlDatabase check_;
    std::unique_ptr<ReportRecorder> report_;
    TestClock* clock_ = nullptr;

    void showWindow() {
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }
    // Focus events need the window to be the active one.
    void activate() {
        QApplication::setActiveWindow(w_.get());
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    }
    QStringList workerIds() const {
        QStringList ids;
        for (int r = 0; r < w_->qempleados.recordCount(); ++r) {
            ids << w_->qempleados.value(r, w_->qempleados.fieldIndex("id")).toString();
        }
        return ids;
    }
    // The rows the window holds, as "idt day", in their order.
    QStringList rows() const {
        QStringList out;
        const Dataset& q = w_->qticados;
        for (int r = 0; r < q.recordCount(); ++r) {
            out << q.value(r, q.fieldIndex("idt")).toString() + " " +
                       q.value(r, q.fieldIndex("fecha")).toDate().toString("d");
        }
        return out;
    }
    QStringList totals() const {
        QStringList out;
        const Dataset& q = w_->qtotales;
        for (int r = 0; r < q.recordCount(); ++r) {
            out << q.value(r, q.fieldIndex("idt")).toString() + "=" +
                       q.value(r, q.fieldIndex("num_horas")).toString();
        }
        return out;
    }
    QString stored(int idt, const QDate& day, const QString& column) {
        return scalar(check_,
                      QStringLiteral("select %1 from ticadoscompleto where idt=%2 and fecha='%3'")
                          .arg(column)
                          .arg(idt)
                          .arg(day.toString(Qt::ISODate)))
            .toString();
    }
    void selectWorker(int id) { QVERIFY(w_->qempleados.locate({"id"}, {id})); }
    void useGrid(QTableView* grid, int row, int column) {
        grid->setCurrentIndex(grid->model()->index(row, column));
    }
    int rowOf(int idt, const QDate& day) const {
        const Dataset& q = w_->qticados;
        for (int r = 0; r < q.recordCount(); ++r) {
            if (q.value(r, q.fieldIndex("idt")).toInt() == idt &&
                q.value(r, q.fieldIndex("fecha")).toDate() == day) {
                return r;
            }
        }
        return -1;
    }
    // Types `text` into a cell of `grid` the way a user does: open the editor, type, Enter.
    void typeInto(QTableView* grid, int row, int column, const QString& text) {
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        editor->setCursorPosition(0);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the view commits the editor after the key
    }
    void runAdjustment(int ad, int entsal, const QString& amount) {
        if (!w_->pmodificaciones->isVisibleTo(w_.get())) {
            w_->Panel5Click();
        }
        w_->lad->setCurrentIndex(ad);
        w_->lentsal->setCurrentIndex(entsal);
        w_->Edit1->setText(amount);
        QTest::mouseClick(w_->Button3, Qt::LeftButton);
    }

    // What each preview would have shown: document name and texts, in the order shown.
    struct Shown {
        QString name;
        QStringList texts;
        QString missing;
    };
    QList<Shown> printReports() {
        QList<Shown> shown;
        const auto old =
            reports::Report::setPreviewHook([&shown](const reports::PreparedReport& r, QWidget*) {
                Shown s{r.documentName, {}, r.missingTemplate};
                for (const reports::PreparedPage& page : r.pages) {
                    for (const reports::PageItem& item : page.items) {
                        s.texts << item.text;
                    }
                }
                shown << s;
            });
        QTest::mouseClick(w_->Button2, Qt::LeftButton);
        reports::Report::setPreviewHook(old);
        return shown;
    }
    // The shipped templates in an installation folder of the test's own.
    QString installTemplates() {
        const QString home = dir_.filePath("home");
        QDir(home).removeRecursively();
        QDir().mkpath(home + "/informes");
        for (const char* name : {"controlhorario.fr3", "controlhorariototales.fr3"}) {
            QFile::copy(QStringLiteral(HORALIA_SOURCE_DIR "/informes/") + name,
                        home + "/informes/" + name);
        }
        Paths::setHome(home);
        return home + "/informes/";
    }

public:
    ~TicadosTest() override { cleanup(); }

private slots:
    void initTestCase() {
        // As the program itself does at start.
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    }

    void init() {
        clock_ = new TestClock(QDateTime(kToday, QTime(10, 0)));
        Clock::setInstance(clock_);
        TestDatabase::create(kDb);
        TestDatabase::run(kDb, QString::fromUtf8(kWorkers) + QString::fromUtf8(kPunches));
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), kDb, "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        w_ = std::make_unique<Tticados>(dm_->dbcontrol);
        check_ = TestDatabase::connect("check", kDb);
    }
    void cleanup() {
        w_.reset();
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
        Clock::setInstance(nullptr);
    }

    // --- Statements ------------------------------------------------------------------------

    void statements_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("pattern");  // filtrotrabajadores
        QTest::addColumn<int>("group");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("expected");
        const QDate d1(2024, 3, 4), d2(2024, 3, 5);
        QTest::newRow("list: all, search never changed")
            << "list"
            << "" << 0 << d1 << d2 << "select id, nombre from trabajadores  order by nombre";
        QTest::newRow("list: group 3, search never changed")
            << "list"
            << "" << 3 << d1 << d2
            << "select id, nombre from trabajadores  where activo=3 order by nombre";
        QTest::newRow("list: GARC in group 2")
            << "list"
            << "%GARC%" << 2 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%GARC%') and activo=2 "
               "order by nombre";
        QTest::newRow("list: GARC in all groups")
            << "list"
            << "%GARC%" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%GARC%') order by nombre";
        QTest::newRow("list: emptied search box")
            << "list"
            << "%%" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%%') order by nombre";
        QTest::newRow("list: group 10 and digits")
            << "list"
            << "%12%" << 10 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%12%') and activo=10 order "
               "by nombre";
        QTest::newRow("list: a quote is escaped")
            << "list"
            << "%D'A%" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%D''A%') order by nombre";
        QTest::newRow("list: a quote cannot end the text")
            << "list"
            << "%') or 1=1 -- %" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%'') or 1=1 -- %') order "
               "by nombre";
        QTest::newRow("list: a backslash matches itself")
            << "list"
            << "%S\\V%" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%S\\\\\\\\V%') order by "
               "nombre";
        QTest::newRow("list: wildcards stay wildcards")
            << "list"
            << "%G_R%A%" << 0 << d1 << d2
            << "select id, nombre from trabajadores  where nombre like('%G_R%A%') order by nombre";
        QTest::newRow("rows of a period") << "rows"
                                          << "" << 0 << d1 << d2
                                          << "select * from ticadoscompleto where "
                                             "fecha>='2024/3/4' and fecha<='2024/3/5' order by "
                                             "idt,fecha desc,entradam,entradat";
        QTest::newRow("rows: no leading zeros across a year")
            << "rows"
            << "" << 0 << QDate(2023, 12, 31) << QDate(2024, 1, 1)
            << "select * from ticadoscompleto where fecha>='2023/12/31' and fecha<='2024/1/1' "
               "order "
               "by idt,fecha desc,entradam,entradat";
        QTest::newRow("per-worker totals of a period")
            << "totalhoras"
            << "" << 0 << d1 << d2
            << "select idt,sum(num_horas) as totalhoras from ticadoscompleto where "
               "fecha>='2024/3/4' "
               "and fecha<='2024/3/5' group by idt order by idt";
        QTest::newRow("totals grid after a date change")
            << "totals by name"
            << "" << 0 << d1 << d2
            << "select idt,trabajador,sum(num_horas) as num_horas from ticadoscompleto where "
               "fecha>='2024/3/4' and fecha<='2024/3/5' group by idt order by trabajador";
        QTest::newRow("totals grid after leaving the start date")
            << "totals by id"
            << "" << 0 << d1 << d2
            << "select idt,trabajador,sum(num_horas) as num_horas from ticadoscompleto where "
               "fecha>='2024/3/4' and fecha<='2024/3/5' group by idt order by idt";
        QTest::newRow("rows at the first showing")
            << "first rows"
            << "" << 0 << d1 << d2
            << "select * from ticadoscompleto  order by fecha desc,entradam,entradat";
        QTest::newRow("per-worker totals at the first showing")
            << "first totalhoras"
            << "" << 0 << d1 << d2
            << "select idt,sum(num_horas) as totalhoras from ticadoscompleto group by idt order by "
               "idt";
    }
    void statements() {
        QFETCH(QString, kind);
        QFETCH(QString, pattern);
        QFETCH(int, group);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, expected);
        const QString desde = jornadas::dateText(from);
        const QString hasta = jornadas::dateText(to);
        QString actual;
        if (kind == "list") {
            actual = jornadas::workerListSql(dm_->dbcontrol, pattern, group);
        } else if (kind == "rows") {
            actual = jornadas::rowsSql(desde, hasta);
        } else if (kind == "totalhoras") {
            actual = jornadas::totalHoursSql(desde, hasta);
        } else if (kind == "totals by name") {
            actual = jornadas::totalsSql(desde, hasta, jornadas::TotalsOrder::ByName);
        } else if (kind == "totals by id") {
            actual = jornadas::totalsSql(desde, hasta, jornadas::TotalsOrder::ById);
        } else if (kind == "first rows") {
            actual = jornadas::initialRowsSql();
        } else {
            actual = jornadas::initialTotalHoursSql();
        }
        QCOMPARE(actual, expected);
        // Every statement is one the server runs.
        QSqlQuery q(check_);
        QVERIFY2(q.exec(actual), qPrintable(q.lastError().text()));
    }

    // --- Showing --------------------------------------------------------------------------

    void firstShowing() {
        QStringList opened;
        for (Dataset* d : {&w_->qempleados, &w_->qticados, &w_->qtotalhoras, &w_->qtotales}) {
            connect(d, &Dataset::afterOpen, this,
                    [d, &opened] { opened << d->objectName() + ": " + d->sql(); });
        }
        showWindow();
        QCOMPARE(w_->objectName(), QString("ticados"));
        QCOMPARE(w_->windowTitle(), QString("Control horario"));
        QCOMPARE(w_->size(), QSize(982, 561));
        QCOMPARE(opened,
                 QStringList({"qticados: " + jornadas::initialRowsSql(),
                              "qtotalhoras: " + jornadas::initialTotalHoursSql(),
                              "qempleados: select id, nombre from trabajadores  order by nombre",
                              "qticados: " + jornadas::rowsSql("2024/3/4", "2024/3/5"),
                              "qtotalhoras: " + jornadas::totalHoursSql("2024/3/4", "2024/3/5"),
                              "qtotales: " + jornadas::totalsSql("2024/3/4", "2024/3/5",
                                                                 jornadas::TotalsOrder::ById)}));
        QCOMPARE(w_->fdesde->date(), kToday.addDays(-1));
        QCOMPARE(w_->fhasta->date(), kToday);
        QCOMPARE(w_->focusWidget(), w_->tgrupo);
        QCOMPARE(w_->tgrupo->currentText(), QString("Todos"));
        QCOMPARE(w_->tgrupo->count(), 11);
        QCOMPARE(w_->lad->currentText(), QString("Disminuir"));
        QCOMPARE(w_->lentsal->currentText(), QString("Salida Tarde"));
        QCOMPARE(w_->Edit1->text(), QString("0"));
        QCOMPARE(w_->desdeactualizar, 0);
        // The worker list lists everyone, former workers included, until the search box changes.
        QCOMPARE(workerIds(), allWorkers());
        // The first worker's rows of the period, newest first, and the worker's total.
        QCOMPARE(rows(), QStringList({"1 5", "1 4"}));
        QCOMPARE(w_->DBText1->text(), QString("15"));
        QCOMPARE(totals(), QStringList({"1=15"}));
        QVERIFY(w_->gridnormal->isVisible());
        QVERIFY(!w_->gridampliado->isVisible());
        QVERIFY(!w_->gridtotales->isVisible());
        QVERIFY(!w_->Panel6->isVisible());
        QVERIFY(!w_->pmodificaciones->isVisible());
        QVERIFY(report_->messages.isEmpty());
    }

    // The grids' models stay consistent through everything the window does to its datasets.
    void modelsStayConsistent() {
        std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
        for (DatasetModel* m :
             {w_->dsqempleados, w_->dsqticadosnormal, w_->dsqticadosampliado, w_->dsqtotales}) {
            testers.push_back(std::make_unique<QAbstractItemModelTester>(
                m, QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
        showWindow();
        w_->CheckBox1->setChecked(true);
        w_->fdesde->setDate(kHoliday);
        w_->Panel5Click();
        typeInto(w_->gridampliado, 0, 14, "REVISAR");
        useGrid(w_->gridampliado, 1, 14);
        QTest::mouseClick(w_->Button1, Qt::LeftButton);
        runAdjustment(ajuste::Aumentar, 0, "5");
        QTest::keyClicks(w_->buscarempleado, "GAR");
        w_->CheckBox2->setChecked(true);
        w_->reject();
        QVERIFY(report_->messages.isEmpty());
    }

    void gridsHaveTheirColumns() {
        showWindow();
        const auto titles = [](QTableView* grid) {
            QStringList out;
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                out << grid->model()->headerData(c, Qt::Horizontal).toString() + ":" +
                           QString::number(grid->horizontalHeader()->sectionSize(c));
            }
            return out.join(" ");
        };
        QCOMPARE(
            titles(w_->gridnormal),
            QString("Fecha:50 Trabajador/a:162 Ent. M:35 Sal. M:35 Hor.M:35 Ent. T:35 Sal. T:35 "
                    "Hor.T:35 Total H.:42 Observaciones:211"));
        QCOMPARE(
            titles(w_->gridampliado),
            QString("Fecha:50 Trabajador/a:100 Ent. M:35 Sal. M:35 Sal. M:35 Hor.M:35 Hor.M:35 "
                    "Ent. T:35 Sal. T:35 Sal.T:35 Hor.T:35 Hor.T:35 Tot. H:35 Tot.H:35 "
                    "Observaciones:100"));
        QCOMPARE(w_->gridtotales->model()->headerData(1, Qt::Horizontal).toString(),
                 QString("Trabajador/a"));
        QCOMPARE(w_->gridtotales->horizontalHeader()->sectionSize(1), 330);
        QCOMPARE(w_->gridtotales->horizontalHeader()->sectionSize(2), 282);
        QCOMPARE(w_->gridtotales->model()->headerData(2, Qt::Horizontal).toString(),
                 QString("Total H."));
        QCOMPARE(titles(w_->DBGrid1), QString("Id:30 Nombre:174"));

        const auto editable = [](QTableView* grid) {
            QString out;
            for (int c = 0; c < grid->model()->columnCount(); ++c) {
                out += grid->model()->flags(grid->model()->index(0, c)) & Qt::ItemIsEditable ? 'e'
                                                                                             : '-';
            }
            return out;
        };
        QCOMPARE(editable(w_->gridnormal), QString("-e-------e"));
        QCOMPARE(editable(w_->gridampliado), QString("eeee-e-ee-e-e-e"));
        QCOMPARE(editable(w_->gridtotales), QString("---"));
        QCOMPARE(editable(w_->DBGrid1), QString("--"));

        // Display formats and alignments.
        const QAbstractItemModel* m = w_->gridampliado->model();
        QCOMPARE(m->index(1, 0).data().toString(), QString("04/03/24"));
        QCOMPARE(m->index(1, 2).data().toString(), QString("08:00"));
        QCOMPARE(m->index(1, 5).data().toString(), QString("6"));
        QCOMPARE(m->index(1, 12).data().toString(), QString("9"));
        QCOMPARE(m->index(1, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QCOMPARE(m->index(1, 7).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
        QCOMPARE(m->index(1, 5).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(w_->gridtotales->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }

    void reopeningResetsOnlyThePeriodAndTheView() {
        showWindow();
        w_->tgrupo->setCurrentIndex(2);
        QTest::keyClicks(w_->buscarempleado, "gar");
        w_->CheckBox1->setChecked(true);
        w_->Panel5Click();
        w_->reject();
        QVERIFY(!w_->qticados.isOpen());
        QVERIFY(!w_->qempleados.isOpen());
        QVERIFY(w_->qtotales.isOpen());

        clock_->set(QDateTime(QDate(2024, 3, 6), QTime(9, 0)));
        QStringList opened;
        for (Dataset* d : {&w_->qticados, &w_->qtotalhoras}) {
            connect(d, &Dataset::afterOpen, this, [d, &opened] { opened << d->sql(); });
        }
        w_->desdeactualizar = 1;
        showWindow();
        // The texts last set are opened first, then the new period is applied.
        QCOMPARE(opened.mid(0, 2), QStringList({jornadas::rowsSql("2024/3/4", "2024/3/5"),
                                                jornadas::totalHoursSql("2024/3/4", "2024/3/5")}));
        QCOMPARE(w_->qticados.sql(), jornadas::rowsSql("2024/3/5", "2024/3/6"));
        QCOMPARE(w_->fdesde->date(), QDate(2024, 3, 5));
        QCOMPARE(w_->desdeactualizar, 0);
        QCOMPARE(w_->tgrupo->currentIndex(), 2);
        QCOMPARE(w_->grupo, 2);
        QCOMPARE(w_->buscarempleado->text(), QString("GAR"));
        QCOMPARE(w_->filtrotrabajadores, QString("%GAR%"));
        QVERIFY(w_->CheckBox1->isChecked());
        QCOMPARE(workerIds(), QStringList({"4"}));
        QCOMPARE(rows(), QStringList({"1 5", "2 5", "4 5"}));  // all workers, as ticked
        QVERIFY(w_->gridnormal->isVisible());
        QVERIFY(!w_->gridampliado->isVisible());
        QVERIFY(!w_->Panel6->isVisible());
        QVERIFY(!w_->pmodificaciones->isVisible());
    }

    // --- Worker list ----------------------------------------------------------------------

    void groupAndSearch_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("workers");
        QTest::newRow("Todos, search never changed") << 0 << "" << allWorkers();
        QTest::newRow("group 2") << 2 << "" << QStringList({"4", "2"});
        QTest::newRow("group 3") << 3 << "" << QStringList({"3"});
        QTest::newRow("group 5 has nobody") << 5 << "" << QStringList();
        QTest::newRow("garc in Todos, typed small") << 0 << "garc" << QStringList({"1", "4"});
        QTest::newRow("garc in group 2") << 2 << "garc" << QStringList({"4"});
        QTest::newRow("anywhere in the name") << 0 << "lopez" << QStringList({"1"});
        QTest::newRow("letter typed and deleted") << 0 << "x\b" << allWorkers();
        QTest::newRow("a quote") << 0 << "d'a" << QStringList({"6"});
        QTest::newRow("a backslash") << 0 << "s\\v" << QStringList({"7"});
        QTest::newRow("underscore is a wildcard") << 0 << "garcia_lopez" << QStringList({"1"});
        QTest::newRow("percent is a wildcard") << 0 << "g%pons" << QStringList({"4"});
        QTest::newRow("a letter with a tilde") << 0 << "peña" << QStringList({"6"});
    }
    void groupAndSearch() {
        QFETCH(int, group);
        QFETCH(QString, typed);
        QFETCH(QStringList, workers);
        showWindow();
        w_->tgrupo->setCurrentIndex(group);
        QCOMPARE(w_->grupo, group);
        for (const QChar c : typed) {
            if (c == '\b') {
                QTest::keyClick(w_->buscarempleado, Qt::Key_Backspace);
            } else if (c.unicode() < 128) {
                QTest::keyClicks(w_->buscarempleado, QString(c));
            } else {
                QTest::sendKeyEvent(QTest::Click, w_->buscarempleado, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
        }
        QString shown;
        for (const QChar c : typed) {
            if (c == '\b') {
                shown.chop(1);
            } else {
                shown += c.toUpper();
            }
        }
        QCOMPARE(w_->buscarempleado->text(), shown);
        QCOMPARE(workerIds(), workers);
        QVERIFY(report_->messages.isEmpty());
        // The tied rows and the label follow the first worker of the new list.
        const QString first = workers.value(0);
        for (const QString& row : rows()) {
            QVERIFY2(row.startsWith(first + " "), qPrintable(row));
        }
        if (workers.isEmpty()) {
            QCOMPARE(w_->DBText1->text(), QString());
            QVERIFY(rows().isEmpty());
        }
    }

    void keystrokeRebuildsThePeriodTexts() {
        showWindow();
        w_->CheckBox2->setChecked(true);
        const QString totalsText = w_->qtotales.sql();
        {
            const QSignalBlocker block(w_->fdesde);
            w_->fdesde->setDate(QDate(2024, 3, 1));  // not applied yet
        }
        QStringList opened;
        for (Dataset* d : {&w_->qempleados, &w_->qticados, &w_->qtotalhoras, &w_->qtotales}) {
            connect(d, &Dataset::afterOpen, this, [d, &opened] { opened << d->objectName(); });
        }
        QTest::keyClicks(w_->buscarempleado, "G");
        QCOMPARE(opened, QStringList({"qempleados", "qtotalhoras", "qticados"}));
        QCOMPARE(w_->qticados.sql(), jornadas::rowsSql("2024/3/1", "2024/3/5"));
        QCOMPARE(w_->qtotalhoras.sql(), jornadas::totalHoursSql("2024/3/1", "2024/3/5"));
        QCOMPARE(w_->qtotales.sql(), totalsText);
        QCOMPARE(
            w_->qempleados.sql(),
            QString(
                "select id, nombre from trabajadores  where nombre like('%G%') order by nombre"));
        QCOMPARE(rows(), QStringList({"1 5", "1 4", "1 1"}));
    }

    void enteringTheSearchBoxEmptiesIt() {
        showWindow();
        activate();
        QTest::keyClicks(w_->buscarempleado, "SANZ");
        QCOMPARE(workerIds(), QStringList({"3"}));
        w_->tgrupo->setFocus(Qt::TabFocusReason);
        QSignalSpy reads(&w_->qempleados, &Dataset::afterOpen);
        w_->buscarempleado->setFocus(Qt::TabFocusReason);
        QCOMPARE(w_->buscarempleado->text(), QString());
        QCOMPARE(reads.size(), 1);
        QCOMPARE(w_->filtrotrabajadores, QString("%%"));
        QCOMPARE(workerIds(), allWorkers());
        // Entering it empty changes nothing and reads nothing.
        w_->tgrupo->setFocus(Qt::TabFocusReason);
        w_->buscarempleado->setFocus(Qt::MouseFocusReason);
        QCOMPARE(reads.size(), 1);
    }

    // --- Ties and views --------------------------------------------------------------------

    void selectedWorkerDrivesTheTiedQueries() {
        showWindow();
        useGrid(w_->DBGrid1, 1, 1);  // GARCIA PONS
        QCOMPARE(w_->qempleados.value("id").toInt(), 4);
        QCOMPARE(rows(), QStringList({"4 5"}));
        QCOMPARE(w_->DBText1->text(), QString("5"));
        QCOMPARE(totals(), QStringList({"4=5"}));
        useGrid(w_->DBGrid1, 5, 0);  // SANZ: no rows in the period
        QVERIFY(rows().isEmpty());
        QCOMPARE(w_->DBText1->text(), QString());
        QVERIFY(totals().isEmpty());
    }

    void allWorkersUntiesAndTiesAgain() {
        showWindow();
        QTest::mouseClick(w_->CheckBox1, Qt::LeftButton, {},
                          QPoint(w_->CheckBox1->width() - 8, 10));
        QVERIFY(w_->CheckBox1->isChecked());
        QCOMPARE(rows(), QStringList({"1 5", "1 4", "2 5", "2 4", "4 5"}));
        QCOMPARE(w_->DBText1->text(), QString("15"));  // the lowest idt
        QCOMPARE(totals(), QStringList({"1=15", "2=14", "4=5"}));
        QCOMPARE(w_->qticados.sql(), jornadas::rowsSql("2024/3/4", "2024/3/5"));
        useGrid(w_->DBGrid1, 2, 0);  // another worker: the untied rows stay
        QCOMPARE(rows().size(), 5);
        w_->CheckBox1->setChecked(false);
        QCOMPARE(rows(), QStringList({"2 5", "2 4"}));
        QCOMPARE(w_->DBText1->text(), QString("14"));
        QCOMPARE(totals(), QStringList({"2=14"}));
    }

    void threeViews() {
        showWindow();
        const auto shown = [this] {
            QString out;
            for (QWidget* wd :
                 std::initializer_list<QWidget*>{w_->gridnormal, w_->gridampliado, w_->gridtotales,
                                                 w_->Panel6, w_->pmodificaciones}) {
                out += wd->isVisible() ? '1' : '0';
            }
            return out;
        };
        QCOMPARE(shown(), QString("10000"));
        w_->grab().save("/tmp/ticados_normal.png");
        QTest::mouseClick(w_->Panel5, Qt::LeftButton);
        QCOMPARE(shown(), QString("01011"));
        QVERIFY(w_->Button1->icon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(w_->Button1->text().isEmpty());
        w_->grab().save("/tmp/ticados_ampliado.png");
        QTest::mouseClick(w_->Panel5, Qt::LeftButton);
        QCOMPARE(shown(), QString("10000"));

        w_->CheckBox2->setChecked(true);
        QCOMPARE(shown(), QString("00100"));
        QCOMPARE(w_->gridtotales->model()->headerData(2, Qt::Horizontal).toString(),
                 QString("Horas desde el 4/3/24 hasta el 5/3/24"));
        w_->grab().save("/tmp/ticados_totales.png");
        w_->CheckBox2->setChecked(false);
        QCOMPARE(shown(), QString("10000"));
        QCOMPARE(w_->gridtotales->model()->headerData(2, Qt::Horizontal).toString(),
                 QString("Horas desde el 4/3/24 hasta el 5/3/24"));  // kept

        // From the extended view the panels stay when the totals come and go.
        w_->Panel5Click();
        w_->CheckBox2->setChecked(true);
        QCOMPARE(shown(), QString("00111"));
        w_->CheckBox2->setChecked(false);
        QCOMPARE(shown(), QString("10011"));
        // The switch looks only at the normal grid.
        w_->Panel5Click();
        QCOMPARE(shown(), QString("01011"));

        // The switch in the totals view: one grid in the place, the totals.
        w_->CheckBox2->setChecked(true);
        w_->Panel5Click();
        QCOMPARE(shown(), QString("00100"));
        w_->Panel5Click();
        QCOMPARE(shown(), QString("00111"));
        w_->Panel5Click();
        // Closed in the totals view: the totals stay the one grid shown, the rest resets.
        w_->reject();
        showWindow();
        QVERIFY(w_->CheckBox2->isChecked());
        QCOMPARE(shown(), QString("00100"));
        w_->CheckBox2->setChecked(false);
        QCOMPARE(shown(), QString("10000"));
    }

    void holidayRowIsPaintedWhole() {
        showWindow();
        w_->fdesde->setDate(kHoliday);
        w_->Panel5Click();
        const int holiday = rowOf(1, kHoliday);
        const int workday = rowOf(1, QDate(2024, 3, 4));
        QVERIFY(holiday >= 0 && workday >= 0);
        const QAbstractItemModel* m = w_->gridampliado->model();
        for (int c = 0; c < m->columnCount(); ++c) {
            QCOMPARE(m->index(holiday, c).data(Qt::BackgroundRole).value<QBrush>().color(),
                     QColor(255, 170, 170));
            const bool punched = w_->dsqticadosampliado->columns().at(c).field.endsWith("_m");
            const QVariant back = m->index(workday, c).data(Qt::BackgroundRole);
            if (punched) {
                QCOMPARE(back.value<QBrush>().color(), QColor(192, 220, 192));
                QCOMPARE(m->index(workday, c).data(Qt::ForegroundRole).value<QBrush>().color(),
                         QColor(Qt::red));
                QCOMPARE(m->index(holiday, c).data(Qt::ForegroundRole).value<QBrush>().color(),
                         QColor(Qt::red));
            } else {
                QVERIFY(!back.isValid());
            }
        }
        // The normal grid has no colours of its own.
        QVERIFY(!w_->gridnormal->model()->index(holiday, 1).data(Qt::BackgroundRole).isValid());
        useGrid(w_->gridampliado, holiday, 1);
        w_->gridampliado->setFocus();
        w_->grab().save("/tmp/ticados_festivo.png");
        w_->gridampliado->grab().save("/tmp/ticados_festivo_rejilla.png");
    }

    // --- Period ---------------------------------------------------------------------------

    void dateChangeOrdersTotalsByName() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        QCOMPARE(totals(), QStringList({"1=15", "2=14", "4=5"}));
        w_->fhasta->setDate(QDate(2024, 3, 4));
        QCOMPARE(w_->qtotales.sql(),
                 jornadas::totalsSql("2024/3/4", "2024/3/4", jornadas::TotalsOrder::ByName));
        QCOMPARE(totals(), QStringList({"1=9", "2=10"}));
        w_->fhasta->setDate(QDate(2024, 3, 5));
        QCOMPARE(totals(),
                 QStringList({"1=15", "4=5", "2=14"}));  // GARCIA LOPEZ, GARCIA PONS, MARTIN
        QCOMPARE(rows(), QStringList({"1 5", "1 4", "2 5", "2 4", "4 5"}));
    }

    void changingTheStartDateByKeyAndLeavingIt() {
        showWindow();
        activate();
        w_->fdesde->setFocus(Qt::TabFocusReason);
        QSignalSpy totalsRead(&w_->qtotales, &Dataset::afterOpen);
        w_->fdesde->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(w_->fdesde, Qt::Key_Down);  // 3 March
        QTest::keyClick(w_->fdesde, Qt::Key_Down);  // 2 March
        QCOMPARE(totalsRead.size(), 2);
        QVERIFY(w_->qtotales.sql().endsWith(" group by idt order by trabajador"));
        w_->tgrupo->setFocus(Qt::TabFocusReason);
        QCOMPARE(totalsRead.size(), 3);
        QCOMPARE(w_->qtotales.sql(),
                 jornadas::totalsSql("2024/3/2", "2024/3/5", jornadas::TotalsOrder::ById));
        QCOMPARE(w_->qticados.sql(), jornadas::rowsSql("2024/3/2", "2024/3/5"));
        // Leaving the end date applies nothing.
        w_->fhasta->setFocus(Qt::TabFocusReason);
        w_->tgrupo->setFocus(Qt::TabFocusReason);
        QCOMPARE(totalsRead.size(), 3);
    }

    void startAfterEndGivesNothing() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        w_->fdesde->setDate(QDate(2024, 3, 6));
        QVERIFY(rows().isEmpty());
        QCOMPARE(w_->DBText1->text(), QString());
        QVERIFY(totals().isEmpty());
        QVERIFY(report_->messages.isEmpty());
    }

    // --- Corrections in the grids --------------------------------------------------------------

    void postingACorrectedTimeRereadsTheDerivedHours() {
        showWindow();
        w_->Panel5Click();
        const int row = rowOf(1, QDate(2024, 3, 4));
        QSignalSpy rowsRead(&w_->qticados, &Dataset::rowsReset);
        QSignalSpy totalsRead(&w_->qtotalhoras, &Dataset::rowsReset);
        typeInto(w_->gridampliado, row, 2, "07:30:00");
        QCOMPARE(w_->qticados.state(), Dataset::State::Edit);
        QCOMPARE(stored(1, QDate(2024, 3, 4), "entradam"), QString("08:00:00"));
        useGrid(w_->gridampliado, rowOf(1, QDate(2024, 3, 5)), 2);  // leaving the row posts it
        QCOMPARE(w_->qticados.state(), Dataset::State::Browse);
        QVERIFY(report_->messages.isEmpty());
        QCOMPARE(stored(1, QDate(2024, 3, 4), "entradam"), QString("07:30:00"));
        QCOMPARE(stored(1, QDate(2024, 3, 4), "horasm"), QString("6.5"));
        QCOMPARE(stored(1, QDate(2024, 3, 4), "num_horas"), QString("9.5"));
        QCOMPARE(rowsRead.size(), 1);
        QCOMPARE(totalsRead.size(), 1);
        const int after = rowOf(1, QDate(2024, 3, 4));
        const QAbstractItemModel* m = w_->gridampliado->model();
        QCOMPARE(m->index(after, 2).data().toString(), QString("07:30"));
        QCOMPARE(m->index(after, 5).data().toString(), QString("6,5"));
        QCOMPARE(m->index(after, 6).data().toString(), QString("6"));  // as punched
        QCOMPARE(m->index(after, 12).data().toString(), QString("9,5"));
        QCOMPARE(w_->DBText1->text(), QString("15,5"));
        QCOMPARE(w_->qticados.value("fecha").toDate(), QDate(2024, 3, 5));  // where the user went
        const QJsonObject before =
            QJsonDocument::fromJson(scalar(check_,
                                           "select antes from ticadoscompleto_log where "
                                           "accion='UPDATE' order by id desc limit 1")
                                        .toByteArray())
                .object();
        QCOMPARE(before.value("entradam").toString(), QString("08:00:00"));
        QCOMPARE(scalar(check_, "select origen from ticadoscompleto_log order by id desc limit 1")
                     .toString(),
                 QString("usuario"));
    }

    void remarkTypedInTheNormalGrid() {
        showWindow();
        typeInto(w_->gridnormal, 0, 9, "MEDICO");
        useGrid(w_->gridnormal, 1, 9);
        QCOMPARE(stored(1, kToday, "observaciones"), QString("MEDICO"));
        QCOMPARE(w_->gridnormal->model()->index(0, 9).data().toString(), QString("MEDICO"));
    }

    void emptiedNameIsRefusedAndTheRowStaysInEdit() {
        showWindow();
        typeInto(w_->gridnormal, 0, 1, "");
        QCOMPARE(w_->qticados.state(), Dataset::State::Edit);
        useGrid(w_->gridnormal, 1, 1);
        QCOMPARE(
            report_->messages,
            QStringList({"Error de la base de datos: La columna 'TRABAJADOR' no puede ser nula"}));
        QCOMPARE(w_->qticados.state(), Dataset::State::Edit);
        QCOMPARE(w_->qticados.currentRow(), 0);
        QCOMPARE(w_->gridnormal->currentIndex().row(), 0);
        QCOMPARE(stored(1, kToday, "TRABAJADOR"), QString("GARCIA LOPEZ ANA"));
        w_->gridnormal->setFocus();
        QTest::keyClick(w_->gridnormal, Qt::Key_Escape);
        QCOMPARE(w_->qticados.state(), Dataset::State::Browse);
        QCOMPARE(w_->gridnormal->model()->index(0, 1).data().toString(),
                 QString("GARCIA LOPEZ ANA"));
    }

    void badTimeTypedIsReported() {
        showWindow();
        w_->Panel5Click();
        typeInto(w_->gridampliado, 0, 2, "25:00:00");
        QCOMPARE(report_->messages, QStringList({"'25:00:00' no es una hora válida"}));
        QCOMPARE(w_->qticados.state(), Dataset::State::Browse);
    }

    void deletingTakesEffectAtOnceAndRereadsNothing() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        w_->Panel5Click();
        const QString label = w_->DBText1->text();
        const QStringList before = totals();
        useGrid(w_->gridampliado, rowOf(1, QDate(2024, 3, 4)), 1);
        QSignalSpy reads(&w_->qtotalhoras, &Dataset::rowsReset);
        QTest::mouseClick(w_->Button1, Qt::LeftButton);
        QVERIFY(report_->messages.isEmpty());
        QCOMPARE(scalar(check_,
                        "select count(*) from ticadoscompleto where idt=1 and fecha='2024-03-04'")
                     .toInt(),
                 0);
        QCOMPARE(rows(), QStringList({"1 5", "2 5", "2 4", "4 5"}));
        QCOMPARE(reads.size(), 0);
        QCOMPARE(w_->DBText1->text(), label);
        QCOMPARE(totals(), before);
        QCOMPARE(scalar(check_, "select accion from ticadoscompleto_log order by id desc limit 1")
                     .toString(),
                 QString("DELETE"));
        w_->fdesdeExit();
        QCOMPARE(w_->DBText1->text(), QString("6"));
    }

    void deletingWithNoRowSaysSo() {
        showWindow();
        w_->fdesde->setDate(QDate(2024, 3, 7));
        w_->Panel5Click();
        QTest::mouseClick(w_->Button1, Qt::LeftButton);
        QCOMPARE(report_->messages, QStringList({"No hay ninguna fila de horario que borrar."}));
    }

    // --- Hours reports ("Imprimir") ------------------------------------------------------------

    void printShowsRowsThenTotals_data() {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("rowCount");
        QTest::addColumn<QString>("workerCount");
        QTest::newRow("selected worker") << false << "Jornadas del informe: 2"
                                         << "Nº Trabajadores: 1";
        QTest::newRow("all workers") << true << "Jornadas del informe: 5"
                                     << "Nº Trabajadores: 3";
    }
    void printShowsRowsThenTotals() {
        QFETCH(bool, all);
        QFETCH(QString, rowCount);
        QFETCH(QString, workerCount);
        installTemplates();
        showWindow();
        w_->CheckBox1->setChecked(all);
        w_->qticados.last();
        const QList<Shown> shown = printReports();
        QCOMPARE(report_->messages, QStringList());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].name, "Control horario " + w_->qticados.value("TRABAJADOR").toString());
        QCOMPARE(shown[1].name, QString("Control horario "));
        for (const Shown& s : shown) {
            QVERIFY(s.texts.contains("Desde: 4/3/24"));
            QVERIFY(s.texts.contains("Hasta: 5/3/24"));
        }
        QVERIFY2(shown[0].texts.contains(rowCount), qPrintable(shown[0].texts.join('|')));
        QVERIFY2(shown[1].texts.contains(workerCount), qPrintable(shown[1].texts.join('|')));
        QVERIFY(shown[1].texts.contains("GARCIA LOPEZ ANA"));
        // The report data set stays on the totals until the next press.
        QCOMPARE(w_->ticadosdb.source(), &w_->qtotales);
        QCOMPARE(w_->qticados.currentRow(), w_->qticados.recordCount() - 1);
    }

    void printWithoutTemplatesShowsEmptyReports() {
        Paths::setHome(dir_.filePath("sin-plantillas"));
        showWindow();
        const QList<Shown> shown = printReports();
        QCOMPARE(report_->messages, QStringList());
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0].texts.isEmpty() && shown[1].texts.isEmpty());
        QCOMPARE(shown[1].missing, Paths::reportsDir() + "controlhorariototales.fr3");
    }

    void brokenFirstTemplateStopsThePrint() {
        const QString informes = installTemplates();
        QFile broken(informes + "controlhorario.fr3");
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("no soy una plantilla");
        broken.close();
        showWindow();
        QVERIFY(printReports().isEmpty());
        QCOMPARE(report_->messages,
                 QStringList({"La plantilla de informe " + informes +
                              "controlhorario.fr3 no es un archivo XML válido (línea 1)."}));
        // The window goes on: the next press, with the template mended, shows both.
        installTemplates();
        QCOMPARE(printReports().size(), 2);
    }

    // --- Bulk adjustment ----------------------------------------------------------------------

    void bulkRun_data() {
        QTest::addColumn<int>("ad");
        QTest::addColumn<int>("entsal");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("before");  // worker 1, 4 March
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("posted");  // the 5th has no afternoon: skipped there
        QTest::addColumn<int>("clamped");
        QTest::newRow("Disminuir Entrada Mañana 15") << 1 << 0 << "15"
                                                     << "entradam"
                                                     << "08:00:00"
                                                     << "07:45:00" << 2 << 0;
        QTest::newRow("Aumentar Salida Tarde 30") << 0 << 3 << "30"
                                                  << "salidat"
                                                  << "18:00:00"
                                                  << "18:30:00" << 1 << 0;
        QTest::newRow("Aumentar a negative amount") << 0 << 1 << "-45"
                                                    << "salidam"
                                                    << "14:00:00"
                                                    << "13:15:00" << 2 << 0;
        QTest::newRow("Disminuir a negative amount") << 1 << 2 << "-5"
                                                     << "entradat"
                                                     << "15:00:00"
                                                     << "15:05:00" << 1 << 0;
        QTest::newRow("signed plus") << 0 << 2 << "+5"
                                     << "entradat"
                                     << "15:00:00"
                                     << "15:05:00" << 1 << 0;
        QTest::newRow("0 leaves the time") << 1 << 1 << "0"
                                           << "salidam"
                                           << "14:00:00"
                                           << "14:00:00" << 2 << 0;
        QTest::newRow("held at 23:59:59") << 0 << 3 << "400"
                                          << "salidat"
                                          << "18:00:00"
                                          << "23:59:59" << 1 << 1;
        QTest::newRow("held at 00:00:00") << 1 << 0 << "600"
                                          << "entradam"
                                          << "08:00:00"
                                          << "00:00:00" << 2 << 2;
    }
    void bulkRun() {
        QFETCH(int, ad);
        QFETCH(int, entsal);
        QFETCH(QString, amount);
        QFETCH(QString, column);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, posted);
        QFETCH(int, clamped);
        showWindow();
        QCOMPARE(stored(1, QDate(2024, 3, 4), column), before);
        const QString other = stored(2, QDate(2024, 3, 4), column);
        QSignalSpy rowsRead(&w_->qticados, &Dataset::rowsReset);
        QSignalSpy posts(&w_->qticados, &Dataset::afterPost);
        runAdjustment(ad, entsal, amount);
        QVERIFY2(report_->messages.isEmpty(), qPrintable(report_->messages.join("\n")));
        QCOMPARE(stored(1, QDate(2024, 3, 4), column), after);
        QCOMPARE(stored(2, QDate(2024, 3, 4), column), other);  // another worker: not held
        QCOMPARE(posts.size(), posted);                         // rows of the selected worker only
        QCOMPARE(w_->lastRun.posted, posted);
        QCOMPARE(rowsRead.size(), 1);  // the rows read once, at the end
        QCOMPARE(w_->lastRun.clamped, clamped);
        QCOMPARE(w_->desdeactualizar, 0);
        // The grid shows what the database holds, hours re-derived included.
        QCOMPARE(w_->gridnormal->model()->index(rowOf(1, QDate(2024, 3, 4)), 8).data().toString(),
                 general(scalar(check_,
                                "select num_horas from ticadoscompleto where idt=1 "
                                "and fecha='2024-03-04'")
                             .toDouble()));
        QCOMPARE(w_->DBText1->text(),
                 general(scalar(check_,
                                "select sum(num_horas) from ticadoscompleto where idt=1 "
                                "and fecha>='2024-03-04'")
                             .toDouble()));
    }

    void bulkRunOverAllWorkers() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        runAdjustment(ajuste::Aumentar, 0, "10");
        QCOMPARE(stored(1, QDate(2024, 3, 4), "entradam"), QString("08:10:00"));
        QCOMPARE(stored(1, kToday, "entradam"), QString("08:10:00"));
        QCOMPARE(stored(2, QDate(2024, 3, 4), "entradam"), QString("07:10:00"));
        QCOMPARE(stored(2, kToday, "entradam"), QString("07:10:00"));
        QCOMPARE(stored(4, kToday, "entradam"), QString("08:40:00"));
        QCOMPARE(stored(1, kHoliday, "entradam"), QString("09:00:00"));  // outside the period
        QCOMPARE(w_->lastRun.posted, 5);
        QCOMPARE(w_->DBText1->text(), QString("14,66"));  // 8.83 + 5.83 of worker 1
    }

    void bulkRunSkipsEmptyTimes() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        runAdjustment(ajuste::Disminuir, 3, "10");
        QCOMPARE(stored(2, kToday, "salidat"), QString());  // never punched: stays empty
        QCOMPARE(stored(4, kToday, "salidat"), QString());
        QCOMPARE(stored(1, kToday, "salidat"), QString());
        QCOMPARE(stored(2, QDate(2024, 3, 4), "salidat"), QString("17:50:00"));
        QCOMPARE(w_->lastRun.rows, 5);
        QCOMPARE(w_->lastRun.empty, 3);
        QCOMPARE(w_->lastRun.posted, 2);
        QVERIFY(w_->lnota->text().contains("vacías no se modifican"));
        QVERIFY(w_->lnota->text().contains("00:00:00 y 23:59:59"));
    }

    void bulkRunOnNoRowsOnlyRereads() {
        showWindow();
        useGrid(w_->DBGrid1, 5, 0);  // SANZ has no rows
        QSignalSpy rowsRead(&w_->qticados, &Dataset::rowsReset);
        runAdjustment(ajuste::Aumentar, 0, "10");
        QCOMPARE(rowsRead.size(), 1);
        QCOMPARE(w_->lastRun.rows, 0);
        QVERIFY(report_->messages.isEmpty());
    }

    void badAmountChangesNothing_data() {
        QTest::addColumn<QString>("amount");
        QTest::newRow("decimal comma") << "1,5";
        QTest::newRow("letters") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("decimal point") << "1.5";
        QTest::newRow("too large") << "99999999999";
    }
    void badAmountChangesNothing() {
        QFETCH(QString, amount);
        showWindow();
        w_->CheckBox1->setChecked(true);
        const QString before =
            scalar(check_,
                   "select group_concat(entradam, salidam, entradat, salidat order by id) "
                   "from ticadoscompleto")
                .toString();
        const int logged = scalar(check_, "select count(*) from ticadoscompleto_log").toInt();
        QSignalSpy posts(&w_->qticados, &Dataset::afterPost);
        runAdjustment(ajuste::Aumentar, 0, amount);
        QCOMPARE(report_->messages,
                 QStringList({QString("'%1' no es un valor entero válido").arg(amount)}));
        QCOMPARE(posts.size(), 0);
        QCOMPARE(scalar(check_,
                        "select group_concat(entradam, salidam, entradat, salidat order by id) "
                        "from ticadoscompleto")
                     .toString(),
                 before);
        QCOMPARE(scalar(check_, "select count(*) from ticadoscompleto_log").toInt(), logged);
        QCOMPARE(w_->desdeactualizar, 0);
    }

    void failingPostStopsTheRunAndClearsTheFlag() {
        TestDatabase::run(
            kDb,
            "DELIMITER $$\n"
            "CREATE TRIGGER prueba_bloqueo BEFORE UPDATE ON ticadoscompleto FOR EACH ROW "
            "FOLLOWS ticadoscompleto_bu "
            "BEGIN IF NEW.idt = 2 AND @horalia_derivando IS NULL THEN "
            "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'Fila bloqueada'; END IF; END$$\n"
            "DELIMITER ;\n");
        showWindow();
        w_->CheckBox1->setChecked(true);
        QSignalSpy rowsRead(&w_->qticados, &Dataset::rowsReset);
        runAdjustment(ajuste::Aumentar, 0, "10");
        QCOMPARE(report_->messages, QStringList({"Error de la base de datos: Fila bloqueada"}));
        QCOMPARE(w_->desdeactualizar, 0);
        QCOMPARE(stored(1, QDate(2024, 3, 4), "entradam"), QString("08:10:00"));  // each committed
        QCOMPARE(stored(1, kToday, "entradam"), QString("08:10:00"));
        QCOMPARE(stored(2, kToday, "entradam"), QString("07:00:00"));
        QCOMPARE(stored(4, kToday, "entradam"), QString("08:30:00"));  // never reached
        QCOMPARE(w_->qticados.state(), Dataset::State::Edit);
        QCOMPARE(w_->qticados.value("idt").toInt(), 2);
        QCOMPARE(rowsRead.size(), 0);
        QCOMPARE(w_->DBText1->text(), QString("14,66"));  // the stored rows count in the label
        // Afterwards a post in the grid reads the rows again: the flag is really down.
        w_->qticados.cancel();
        TestDatabase::run(kDb, "DROP TRIGGER prueba_bloqueo");
        typeInto(w_->gridnormal, 0, 9, "REVISADO");
        useGrid(w_->gridnormal, 1, 9);
        QCOMPARE(rowsRead.size(), 1);
    }

    void manyRowsShowTheirProgress() {
        TestDatabase::run(
            kDb,
            "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) "
            "select date '2023-01-01' + interval seq day, 3, 'SANZ GIL EVA', '08:00:00', "
            "'14:00:00' from seq_0_to_249");
        showWindow();
        w_->fdesde->setDate(QDate(2023, 1, 1));
        useGrid(w_->DBGrid1, 5, 0);  // SANZ
        QCOMPARE(w_->qticados.recordCount(), 250);
        QSignalSpy totalsRead(&w_->qtotalhoras, &Dataset::rowsReset);
        runAdjustment(ajuste::Aumentar, 1, "30");
        QVERIFY(report_->messages.isEmpty());
        auto* progress = w_->findChild<QProgressDialog*>("progreso");
        QVERIFY(progress);
        QCOMPARE(progress->maximum(), 250);
        QCOMPARE(progress->value(), 250);
        QVERIFY(!progress->isVisible());
        QCOMPARE(scalar(check_,
                        "select count(*) from ticadoscompleto where idt=3 and salidam='14:30:00'")
                     .toInt(),
                 250);
        QCOMPARE(totalsRead.size(), 1);  // once, at the end
        QCOMPARE(w_->DBText1->text(), QString("1625"));
        // The grid is back on the dataset's row, following it again.
        QCOMPARE(w_->gridampliado->currentIndex().row(), w_->qticados.currentRow());
        useGrid(w_->DBGrid1, 0, 0);
        w_->qticados.last();
        QCOMPARE(w_->gridampliado->currentIndex().row(), w_->qticados.currentRow());
    }

    void adjustmentCoreWithoutAWindow_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QTime>("expected");
        QTest::addColumn<bool>("clamped");
        QTest::newRow("within the day") << QTime(8, 0) << -15 << QTime(7, 45) << false;
        QTest::newRow("to the last second") << QTime(23, 0) << 60 << QTime(23, 59, 59) << true;
        QTest::newRow("past midnight") << QTime(23, 55) << 10 << QTime(23, 59, 59) << true;
        QTest::newRow("before midnight") << QTime(0, 5) << -10 << QTime(0, 0) << true;
        QTest::newRow("exactly midnight") << QTime(0, 10) << -10 << QTime(0, 0) << false;
        QTest::newRow("seconds kept") << QTime(8, 0, 30) << 1 << QTime(8, 1, 30) << false;
        QTest::newRow("a huge amount")
            << QTime(8, 0) << std::numeric_limits<int>::min() << QTime(0, 0) << true;
    }
    void adjustmentCoreWithoutAWindow() {
        QFETCH(QTime, time);
        QFETCH(int, minutes);
        QFETCH(QTime, expected);
        QFETCH(bool, clamped);
        bool held = !clamped;
        QCOMPARE(ajuste::shift(time, minutes, &held), expected);
        QCOMPARE(held, clamped);
    }

    void adjustmentRunOnADatasetAlone() {
        Dataset rows(dm_->dbcontrol, "filas");
        rows.setSql(jornadas::rowsSql("2024/3/4", "2024/3/5"));
        rows.setFields(jornadas::rowsFields());
        rows.setUpdateTable("ticadoscompleto", {"id"});
        rows.open();
        int flag = 0;
        QList<int> flags;
        connect(&rows, &Dataset::afterPost, this, [&] { flags << flag; });
        const ajuste::Outcome outcome =
            ajuste::run(rows, nullptr, {ajuste::Disminuir, 0, "15"}, flag);
        QCOMPARE(outcome.posted, 5);
        QCOMPARE(flags, QList<int>({1, 1, 1, 1, 1}));
        QCOMPARE(flag, 0);
        QCOMPARE(stored(4, kToday, "entradam"), QString("08:15:00"));
        const ajuste::Request bad{ajuste::Disminuir, 0, "x"};
        QVERIFY_THROWS_EXCEPTION(UserError, ajuste::run(rows, nullptr, bad, flag));
        QCOMPARE(flag, 0);
    }
};

QTEST_MAIN(TicadosTest)

#include "tst_ticados.moc"
