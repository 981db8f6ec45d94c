#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "datamodule.h"
#include "datasetmodel.h"
#include "errors.h"
#include "paths.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const char* kWorkers =
    "insert into trabajadores (ide, ID, NIF, nombre, activo, empresa, PAGARPORBANCO) values "
    "(1, 1, '11111111H', 'GARCIA LOPEZ ANA', 1, 1, 0),"
    "(1, 2, '22222222J', 'MARTIN RUIZ LUIS', 1, 1, 0),"
    "(1, 3, '33333333P', 'SANZ GIL EVA', 0, 1, 0)";
}

class DatasetTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    QSqlDatabase check_;

public:
    ~DatasetTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create("t_dataset");
        TestDatabase::run("t_dataset", kWorkers);
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), "t_dataset", "ALMACEN"));
        dm_ = std::make_unique<TDM>();
        check_ = TestDatabase::connect("check", "t_dataset");
    }
    void cleanup() {
        dm_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
    }

    void sharedStatementsAreExact() {
        QCOMPARE(dm_->qtrabajadores.sql(), QString("select * from trabajadores order by nombre"));
        QCOMPARE(dm_->qaux2.sql(), QString("select * from ticados"));
        QCOMPARE(dm_->qticados.sql(),
                 QString("select * from ticados order by fecha desc,entrada_real desc  limit 100"));
        QCOMPARE(
            dm_->qmovimientos2.sql(),
            QString("select fecha,idt,entrada_real as entrada, salida_real as salida,trabajador "
                    "from ticados where  SALIDA_REAL is null and centro=:centro order by "
                    "entrada_real desc"));
        QCOMPARE(dm_->qempleados.sql(),
                 QString("select ide,id,nombre from trabajadores where activo=1 order by nombre"));
        QCOMPARE(dm_->trabajadores.sql(), QString("select * from trabajadores"));
        QCOMPARE(dm_->trabajadores.fields().size(), 55);
        // Every shared dataset opens on the schema as it stands.
        for (Dataset* d : {&dm_->qtrabajadores, &dm_->qaux2, &dm_->qticados, &dm_->qmovimientos2,
                           &dm_->qempleados, &dm_->trabajadores}) {
            d->open();
            QVERIFY(d->isOpen());
        }
    }

    void parametersAreEscapedAndKinded() {
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) values "
                 "('2026-03-05', 1, 'GARCIA LOPEZ ANA', '08:05:30', 'O''B\\\\X'),"
                 "('2026-03-05', 2, 'MARTIN RUIZ LUIS', '09:10:00', 'O''B\\\\X'),"
                 "('2026-03-05', 3, 'SANZ GIL EVA', '07:00:00', 'OTRO')");
        Dataset& q = dm_->qmovimientos2;
        q.setParam("centro", "O'B\\X");
        q.open();
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.value("idt").toInt(), 2);  // newest entry first
        QCOMPARE(q.value("entrada").toTime(), QTime(9, 10));
        QVERIFY(q.value("salida").isNull());
        QCOMPARE(displayText(q.field("fecha"), q.value("fecha")), QString("05/03/26"));
        QCOMPARE(displayText(q.field("entrada"), q.value("entrada")), QString("09:10"));
        q.close();
        q.setParam("centro", "x' or '1'='1");
        q.open();
        QCOMPARE(q.recordCount(), 0);
    }

    void appendEditCancelDelete() {
        Dataset& t = dm_->qticados;
        QSignalSpy states(&t, &Dataset::stateChanged);
        QSignalSpy posts(&t, &Dataset::afterPost);
        QSignalSpy deletes(&t, &Dataset::afterDelete);
        t.open();
        t.append();
        QCOMPARE(t.state(), Dataset::State::Insert);
        t.setValue("fecha", QDate(2026, 3, 5));
        t.setValue("idt", 1);
        t.setValue("TRABAJADOR", "GARCIA LOPEZ ANA");
        t.setValue("ENTRADA_REAL", QTime(8, 0, 1));
        t.setValue("centro", "ALMACEN ");
        t.post();
        QCOMPARE(t.state(), Dataset::State::Browse);
        QCOMPARE(posts.size(), 1);
        const qlonglong id = t.value("id").toLongLong();
        QVERIFY(id > 0);
        QCOMPARE(scalar(check_,
                        "select concat(ide, '|', centro, '|', entrada_real, '|', "
                        "isnull(salida_real)) from ticados where id=" +
                            QString::number(id)),
                 QVariant("1|ALMACEN |08:00:01|1"));

        t.edit();
        t.setValue("SALIDA_REAL", QTime(14, 0));
        t.post();
        QCOMPARE(scalar(check_, "select salida_real from ticados where id=" + QString::number(id)),
                 QVariant("14:00:00"));

        t.edit();
        t.setValue("SALIDA_REAL", QTime(15, 0));
        t.cancel();
        QCOMPARE(t.value("SALIDA_REAL").toTime(), QTime(14, 0));
        const int before = t.recordCount();
        t.append();
        QCOMPARE(t.recordCount(), before + 1);
        t.cancel();
        QCOMPARE(t.recordCount(), before);

        t.remove();
        QCOMPARE(deletes.size(), 1);
        QCOMPARE(scalar(check_, "select count(*) from ticados").toInt(), 0);
        QCOMPARE(states.first().first().value<Dataset::State>(), Dataset::State::Browse);
    }

    void refusedPostKeepsTheInsertState() {
        Dataset& w = dm_->trabajadores;
        w.setMasterLinkActive(false);
        w.open();
        w.append();
        w.setValue("ide", 1);
        w.setValue("ID", 2);  // already in use
        w.setValue("NIF", "X");
        w.setValue("nombre", "DUPLICADO");
        w.setValue("empresa", 1);
        w.setValue("PAGARPORBANCO", 0);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, w.post());
        QCOMPARE(w.state(), Dataset::State::Insert);
        w.setValue("ID", 9);
        w.post();
        QCOMPARE(scalar(check_, "select nombre from trabajadores where id=9"),
                 QVariant("DUPLICADO"));
    }

    void detailFollowsTheMasterRowAndTheTieCanBeCut() {
        Dataset& master = dm_->qempleados;
        Dataset& detail = dm_->trabajadores;
        master.open();
        detail.open();
        QCOMPARE(master.recordCount(), 2);  // the former worker is not listed
        QCOMPARE(detail.recordCount(), 1);
        QCOMPARE(detail.value("NIF"), QVariant("11111111H"));
        QSignalSpy changes(&detail, &Dataset::dataChanged);
        master.next();
        QVERIFY(!changes.isEmpty());
        QCOMPARE(detail.value("NIF"), QVariant("22222222J"));
        QCOMPARE(detail.sql(), QString("select * from trabajadores"));

        detail.setMasterLinkActive(false);
        QCOMPARE(detail.recordCount(), 3);
        detail.setMasterLinkActive(true);
        QCOMPARE(detail.recordCount(), 1);
        QCOMPARE(detail.value("NIF"), QVariant("22222222J"));

        // A change pending in the detail is stored before the master moves on.
        detail.edit();
        detail.setValue("POBLACION", "SORIA");
        master.first();
        QCOMPARE(scalar(check_, "select poblacion from trabajadores where id=2"),
                 QVariant("SORIA"));
        // Also when the master is read again instead of moved.
        detail.edit();
        detail.setValue("POBLACION", "AVILA");
        master.refresh();
        QCOMPARE(scalar(check_, "select poblacion from trabajadores where id=1"),
                 QVariant("AVILA"));
        QCOMPARE(detail.state(), Dataset::State::Browse);
    }

    // The server drops the ORDER BY of the derived table that a tie wraps around the statement.
    void tiedDetailKeepsTheOrderOfItsStatement() {
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL) values "
                 "('2026-03-02', 1, 'A', '08:00:00'), ('2026-03-04', 1, 'A', '08:00:00'),"
                 "('2026-03-03', 1, 'A', '09:00:00'), ('2026-03-03', 2, 'B', '07:00:00'),"
                 "('2026-03-03', 1, 'A', '07:30:00')");
        Dataset detail(dm_->dbcontrol, "detalle");
        detail.setSql(
            "select * from ticados where fecha>='2026/3/1' order by fecha desc,"
            "`ENTRADA_REAL` asc");
        detail.setFields(TDM::ticadosFields());
        detail.setMasterLink(&dm_->qempleados, {"id"}, {"idt"});
        dm_->qempleados.open();
        detail.open();
        QCOMPARE(dm_->qempleados.value("id").toInt(), 1);
        QStringList order;
        for (int r = 0; r < detail.recordCount(); ++r) {
            order << detail.value(r, detail.fieldIndex("fecha")).toDate().toString("d") + " " +
                         detail.value(r, detail.fieldIndex("ENTRADA_REAL"))
                             .toTime()
                             .toString("hh:mm");
        }
        QCOMPARE(order, QStringList({"4 08:00", "3 07:30", "3 09:00", "2 08:00"}));
        QVERIFY(detail.lastStatement().endsWith(
            "where `idt`=1 order by fecha desc,`ENTRADA_REAL` asc"));
        QCOMPARE(detail.sql(), QString("select * from ticados where fecha>='2026/3/1' order by "
                                       "fecha desc,`ENTRADA_REAL` asc"));

        // An ordering the outer query could not name stays where it was written.
        detail.close();
        detail.setSql("select * from ticados order by fecha desc limit 2");
        detail.open();
        QCOMPARE(detail.recordCount(), 2);
        QVERIFY(detail.lastStatement().contains("limit 2) as detalle"));
    }

    void refusalsComeInSpanish() {
        Dataset& t = dm_->qticados;
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR) values ('2026-03-02', 1, 'A')");
        t.open();
        t.edit();
        t.setValue("TRABAJADOR", QVariant());
        try {
            t.post();
            QFAIL("a null name was stored");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.text(), QString("Error de la base de datos: La columna 'TRABAJADOR' no "
                                       "puede ser nula"));
        }
        QCOMPARE(t.state(), Dataset::State::Edit);
    }

    // A handler of the post may read the rows again; the move must land on a row that exists.
    void movingAfterAPostThatRereadsFewerRows() {
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR) values "
                 "('2026-03-02', 1, 'A'), ('2026-03-03', 1, 'B'), ('2026-03-04', 1, 'C')");
        Dataset& t = dm_->qaux2;
        t.open();
        connect(&t, &Dataset::afterPost, &t, [&] {
            SQL_EXEC(check_, "delete from ticados where TRABAJADOR<>'A2'");
            t.refresh();
        });
        t.edit();
        t.setValue("TRABAJADOR", "A2");
        t.setCurrentRow(2);
        QCOMPARE(t.recordCount(), 1);
        QCOMPARE(t.currentRow(), 0);
        QCOMPARE(t.value("TRABAJADOR"), QVariant("A2"));
    }

    // Posts that change the same columns reuse one prepared update; a new link prepares anew.
    void repeatedPostsSurviveAReconnection() {
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR) values "
                 "('2026-03-02', 1, 'A'), ('2026-03-03', 1, 'B')");
        Dataset& t = dm_->qaux2;
        t.open();
        for (int r = 0; r < 2; ++r) {
            t.setCurrentRow(r);
            t.edit();
            t.setValue("ENTRADA_REAL", QTime(8, r));
            t.post();
        }
        QCOMPARE(
            scalar(check_, "select group_concat(ENTRADA_REAL order by id) from ticados").toString(),
            QString("08:00:00,08:01:00"));
        SQL_EXEC(check_,
                 "kill " + scalar(dm_->dbcontrol.database(), "select connection_id()").toString());
        t.edit();
        t.setValue("ENTRADA_REAL", QTime(9, 0));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, t.post());
        QCOMPARE(t.state(), Dataset::State::Edit);
        t.post();  // connects again and prepares the update there
        QCOMPARE(
            scalar(check_, "select group_concat(ENTRADA_REAL order by id) from ticados").toString(),
            QString("08:00:00,09:00:00"));
        QCOMPARE(normalise(FieldKind::Time, "25:00:00"), QVariant());
        QCOMPARE(normalise(FieldKind::Time, "07:05:09"), QVariant(QTime(7, 5, 9)));
    }

    void refreshKeepsTheCurrentRowAndShowsNewValues() {
        Dataset& w = dm_->trabajadores;
        w.setMasterLinkActive(false);
        w.open();
        QVERIFY(w.locate({"ID"}, {2}));
        SQL_EXEC(check_, "update trabajadores set nombre='MARTIN RUIZ LUISA' where id=2");
        SQL_EXEC(check_, "delete from trabajadores where id=1");
        w.refresh();
        QCOMPARE(w.value("ID").toInt(), 2);
        QCOMPARE(w.value("nombre"), QVariant("MARTIN RUIZ LUISA"));
        QVERIFY(!w.locate({"ID"}, {1}));
        QCOMPARE(w.value("ID").toInt(), 2);
    }

    // A failed re-read keeps the rows a view shows; a detail whose master moved keeps none,
    // since its old rows belong to the other master row.
    void failedReadKeepsRowsUnlessTheMasterMoved() {
        Dataset& master = dm_->qempleados;
        Dataset& detail = dm_->trabajadores;
        master.open();
        detail.open();
        Dataset& w = dm_->qaux2;
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR) values "
                 "('2026-03-02', 1, 'A'), ('2026-03-03', 1, 'B'), ('2026-03-04', 1, 'C')");
        w.open();
        w.setCurrentRow(1);
        const int port = dm_->dbcontrol.port();
        dm_->dbcontrol.close();
        dm_->dbcontrol.setPort(1);
        QSignalSpy resets(&w, &Dataset::rowsReset);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, w.refresh());
        QCOMPARE(resets.count(), 1);
        QVERIFY(w.isOpen());
        QCOMPARE(w.recordCount(), 3);
        QCOMPARE(w.currentRow(), 1);
        QCOMPARE(w.value("TRABAJADOR"), QVariant("B"));

        QVERIFY_THROWS_EXCEPTION(DatabaseError, master.next());
        QCOMPARE(detail.recordCount(), 0);

        dm_->dbcontrol.setPort(port);
        w.requery();
        QCOMPARE(w.recordCount(), 3);
        QCOMPARE(w.currentRow(), 1);
    }

    void filterKeepsMatchingRows() {
        Dataset& w = dm_->trabajadores;
        w.setMasterLinkActive(false);
        w.open();
        w.setFilter([](const Dataset& d, const Dataset::Row& row) {
            return row[d.fieldIndex("activo")].toInt() == 0;
        });
        QCOMPARE(w.recordCount(), 1);
        QCOMPARE(w.value("ID").toInt(), 3);
        w.clearFilter();
        QCOMPARE(w.recordCount(), 3);
    }

    void sqlCanOnlyChangeWhileClosed() {
        Dataset& q = dm_->qtrabajadores;
        q.open();
        QVERIFY_THROWS_EXCEPTION(UserError, q.setSql("select 1"));
        QSignalSpy closed(&q, &Dataset::afterClose);
        q.close();
        QCOMPARE(closed.size(), 1);
        q.setSql("select * from trabajadores where id=3");
        q.open();
        QCOMPARE(q.lastStatement(), QString("select * from trabajadores where id=3"));
        QCOMPARE(q.value("nombre"), QVariant("SANZ GIL EVA"));
        QVERIFY_THROWS_EXCEPTION(UserError, q.edit());  // read-only
    }

    void tableModelShowsAndEditsTheDataset() {
        Dataset& t = dm_->qticados;
        SQL_EXEC(check_,
                 "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL) values "
                 "('2026-03-05', 1, 'GARCIA LOPEZ ANA', '08:00:00')");
        DatasetModel model(
            t, {{"fecha", "Fecha"}, {"TRABAJADOR", "Trabajador"}, {"id", "Id", {}, {}, -1, true}});
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        t.open();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QString("05/03/2026"));
        QVERIFY(!(model.flags(model.index(0, 2)) & Qt::ItemIsEditable));
        QVERIFY(model.setData(model.index(0, 1), "GARCIA LOPEZ ANA MARIA"));
        QCOMPARE(t.state(), Dataset::State::Edit);
        t.post();
        QCOMPARE(scalar(check_, "select trabajador from ticados"),
                 QVariant("GARCIA LOPEZ ANA MARIA"));
        t.append();
        QCOMPARE(model.rowCount(), 2);
        t.cancel();
        t.close();
        QCOMPARE(model.rowCount(), 0);
    }
};

QObject* newDatasetTest() {
    return new DatasetTest;
}

#include "tst_dataset.moc"
