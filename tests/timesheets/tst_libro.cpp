// The workbook export of the time-records window, read back with openpyxl (an independent
// reader, through /usr/bin/python3), against the private MariaDB server whose triggers derive
// the time sheets from the punch rows.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "clock.h"
#include "connection.h"
#include "datamodule.h"
#include "dataset.h"
#include "errors.h"
#include "libro.h"
#include "paths.h"
#include "testdatabase.h"
#include "ticados.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::TestDatabase;

namespace {
const QString kDb = QStringLiteral("t_libro");
const QDate kToday(2024, 3, 5);  // the window's first period is 4 and 5 March

const char* kData =
    "insert into trabajadores (ID, NIF, nombre, activo) values "
    "(1, '11111111H', 'GARCIA LOPEZ ANA', 1), (2, '22222222J', 'MARTIN RUIZ LUIS', 2),"
    "(3, '33333333P', 'SANZ GIL EVA', 3), (4, '44444444A', 'PEÑA D''ARCY ROSA', 2);"
    // Worker 1 works mornings and afternoons, worker 2 a morning only on the 5th, worker 4
    // the 5th; worker 3 never.
    "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) values "
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '15:00:00', '18:30:00'),"
    "('2024-03-05', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 2, 'MARTIN RUIZ LUIS', '07:00:00', '15:00:00'),"
    "('2024-03-05', 2, 'MARTIN RUIZ LUIS', '07:00:00', '11:15:00'),"
    "('2024-03-05', 4, 'PEÑA D''ARCY ROSA', '08:30:00', '13:30:00');"
    "update ticadoscompleto set observaciones='Médico, 1ª visita' "
    "where idt=1 and fecha='2024-03-04';";

// What openpyxl found in a workbook (see leer_libro.py).
struct Workbook {
    QStringList sheets;
    QList<QStringList> rows;  // "kind:value" per cell
    QList<QList<bool>> bold;
    QList<double> widths;
    QByteArray json;
};

Workbook readBack(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(HORALIA_SOURCE_DIR "/tests/timesheets/leer_libro.py"), file});
    p.waitForFinished(60000);
    Workbook book;
    book.json = p.readAllStandardOutput();
    if (p.exitCode() != 0) {
        qWarning("leer_libro.py: %s", p.readAllStandardError().constData());
        return book;
    }
    const QJsonObject o = QJsonDocument::fromJson(book.json).object();
    for (const QJsonValue& s : o.value("sheets").toArray()) {
        book.sheets << s.toString();
    }
    for (const QJsonValue& r : o.value("rows").toArray()) {
        QStringList cells;
        QList<bool> bold;
        for (const QJsonValue& c : r.toArray()) {
            cells << c.toObject().value("cell").toString();
            bold << c.toObject().value("bold").toBool();
        }
        book.rows << cells;
        book.bold << bold;
    }
    for (const QJsonValue& w : o.value("widths").toArray()) {
        book.widths << w.toDouble();
    }
    return book;
}

QStringList kindsOf(const QStringList& cells) {
    QStringList kinds;
    for (const QString& c : cells) {
        kinds << c.section(QLatin1Char(':'), 0, 0);
    }
    return kinds;
}

const QString kDone = QStringLiteral("Los datos han sido exportados correctamente a ");

class ShowCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        count += event->type() == QEvent::Show ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};
}  // namespace

// Declared columns as rows of a test table.
Q_DECLARE_METATYPE(horalia::Field)

class LibroTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<Tticados> w_;
    std::unique_ptr<ReportRecorder> report_;
    TestClock* clock_ = nullptr;

    QString workbook() const { return dir_.filePath("TICADOS.xlsx"); }
    void showWindow() {
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }

public:
    ~LibroTest() override { cleanup(); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    void init() {
        clock_ = new TestClock(QDateTime(kToday, QTime(10, 0)));
        Clock::setInstance(clock_);
        TestDatabase::create(kDb);
        TestDatabase::run(kDb, QString::fromUtf8(kData));
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), kDb, "ALMACEN"));
        Paths::setHome(dir_.path());
        QFile::remove(workbook());
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        w_ = std::make_unique<Tticados>(dm_->dbcontrol);
    }
    void cleanup() {
        w_.reset();
        dm_.reset();
        report_.reset();
        Clock::setInstance(nullptr);
    }

    // Each view exports the grid it shows: titles in bold, one typed row per dataset row, in
    // the dataset's order; the dataset stays on its row and tells its views nothing meanwhile;
    // a second click writes the same workbook again.
    void exportsTheShownGrid_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("row");  // a dataset row checked cell by cell
        QTest::addColumn<QStringList>("cells");

        // All workers, 4 and 5 March: rows ordered by worker, then date descending.
        QTest::newRow("normal") << "normal"
                                << QStringList{"Fecha",    "Trabajador/a", "Ent. M", "Sal. M",
                                               "Hor.M",    "Ent. T",       "Sal. T", "Hor.T",
                                               "Total H.", "Observaciones"}
                                << QStringList{"date", "text", "time",   "time",   "number",
                                               "time", "time", "number", "number", "text|empty"}
                                << 1 << QStringList{"date:2024-03-04", "text:GARCIA LOPEZ ANA",
                                                    "time:08:00:00",   "time:14:00:00",
                                                    "number:6",        "time:15:00:00",
                                                    "time:18:30:00",   "number:3.5",
                                                    "number:9.5",      "text:Médico, 1ª visita"};
        // Worker 2 on the 5th punched no afternoon: empty times give serial 0, empty hours 0.
        QTest::newRow("ampliado")
            << "ampliado"
            << QStringList{"Fecha", "Trabajador/a", "Ent. M", "Sal. M", "Sal. M",
                           "Hor.M", "Hor.M",        "Ent. T", "Sal. T", "Sal.T",
                           "Hor.T", "Hor.T",        "Tot. H", "Tot.H",  "Observaciones"}
            << QStringList{"date",   "text",   "time",   "time",   "time",
                           "number", "number", "time",   "time",   "time",
                           "number", "number", "number", "number", "text|empty"}
            << 2
            << QStringList{
                   "date:2024-03-05", "text:MARTIN RUIZ LUIS", "time:07:00:00", "time:11:15:00",
                   "time:11:15:00",   "number:4.25",           "number:4.25",   "time:00:00:00",
                   "time:00:00:00",   "time:00:00:00",         "number:0",      "number:0",
                   "number:4.25",     "number:4.25",           "empty"};
        QTest::newRow("totales") << "totales"
                                 << QStringList{"Id", "Trabajador/a",
                                                "Horas desde el 4/3/24 hasta el 5/3/24"}
                                 << QStringList{"number", "text", "number"} << 2
                                 << QStringList{"number:4", "text:PEÑA D'ARCY ROSA", "number:5"};
    }
    void exportsTheShownGrid() {
        QFETCH(QString, view);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, kinds);
        QFETCH(int, row);
        QFETCH(QStringList, cells);
        showWindow();
        w_->CheckBox1->setChecked(true);
        if (view == "ampliado") {
            w_->Panel5Click();
        } else if (view == "totales") {
            w_->CheckBox2->setChecked(true);
        }
        Dataset& data = view == "totales" ? w_->qtotales : w_->qticados;
        QVERIFY(data.recordCount() >= 3);
        data.setCurrentRow(row);
        QSignalSpy moved(&data, &Dataset::currentRowChanged);
        QSignalSpy changed(&data, &Dataset::dataChanged);

        QTest::mouseClick(w_->btJexcel, Qt::LeftButton);
        QCOMPARE(report_->messages, QStringList{kDone + QDir::toNativeSeparators(dir_.path())});
        QCOMPARE(data.currentRow(), row);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(changed.count(), 0);

        const Workbook book = readBack(workbook());
        QCOMPARE(book.sheets, QStringList{"TICADOS"});
        QCOMPARE(book.rows.size(), data.recordCount() + 1);
        QCOMPARE(book.rows.at(0), [&] {
            QStringList header;
            for (const QString& t : titles) {
                header << "text:" + t;
            }
            return header;
        }());
        QVERIFY(!book.bold.at(0).contains(false));
        for (int r = 1; r < book.rows.size(); ++r) {
            QVERIFY2(!book.bold.at(r).contains(true), qPrintable(book.rows.at(r).join(' ')));
            const QStringList found = kindsOf(book.rows.at(r));
            for (int c = 0; c < kinds.size(); ++c) {
                QVERIFY2(kinds.at(c).split('|').contains(found.at(c)),
                         qPrintable(QString("row %1: %2").arg(r).arg(book.rows.at(r).join(' '))));
            }
        }
        QCOMPARE(book.rows.at(row + 1), cells);
        // Every column fits its widest content, header included.
        QCOMPARE(book.widths.size(), titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            int widest = titles.at(c).size();
            for (int r = 1; r < book.rows.size(); ++r) {
                // As shown: dd/mm/yyyy, hh:mm:ss, the number or the text.
                const QString& cell = book.rows.at(r).at(c);
                const QString kind = cell.section(':', 0, 0);
                const int shown = kind == "date"    ? 10
                                  : kind == "time"  ? 8
                                  : kind == "empty" ? 0
                                                    : int(cell.size() - kind.size() - 1);
                widest = std::max(widest, shown);
            }
            QVERIFY2(book.widths.at(c) >= widest && book.widths.at(c) <= widest * 1.2 + 3,
                     qPrintable(QString("column %1: width %2 for %3 characters")
                                    .arg(c)
                                    .arg(book.widths.at(c))
                                    .arg(widest)));
        }

        QTest::mouseClick(w_->btJexcel, Qt::LeftButton);
        QCOMPARE(report_->messages.size(), 2);
        QCOMPARE(readBack(workbook()).json, book.json);
        QCOMPARE(QDir(dir_.path()).entryList({"*.xlsx*"}, QDir::Files | QDir::Hidden),
                 QStringList{"TICADOS.xlsx"});
        if (view == "normal") {
            w_->grab().save(QDir::tempPath() + "/ticados_excel.png");
        }
    }

    // A worker without rows in the period: the header row alone.
    void emptyViewGivesTheHeaderOnly() {
        showWindow();
        QVERIFY(w_->qempleados.locate({"id"}, {3}));
        QCOMPARE(w_->qticados.recordCount(), 0);
        QTest::mouseClick(w_->btJexcel, Qt::LeftButton);
        QCOMPARE(report_->messages.size(), 1);
        const Workbook book = readBack(workbook());
        QCOMPARE(book.rows.size(), 1);
        QCOMPARE(book.rows.at(0).first(), QString("text:Fecha"));
    }

    // A change typed into the grid and not yet stored is stored before the rows are written,
    // as leaving the row would store it: the workbook never shows what the database has not.
    void pendingChangeIsStoredFirst() {
        showWindow();
        QVERIFY(w_->qempleados.locate({"id"}, {2}));
        const QModelIndex remark = w_->gridnormal->model()->index(0, 9);
        w_->gridnormal->setCurrentIndex(remark);
        w_->gridnormal->edit(remark);
        auto* editor = w_->gridnormal->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "Sin tarde");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the view commits the editor after the key
        QCOMPARE(w_->qticados.state(), Dataset::State::Edit);

        QTest::mouseClick(w_->btJexcel, Qt::LeftButton);
        QCOMPARE(report_->messages.size(), 1);
        QCOMPARE(w_->qticados.state(), Dataset::State::Browse);
        QCOMPARE(test::scalar(TestDatabase::connect("check", kDb),
                              "select observaciones from ticadoscompleto "
                              "where idt=2 and fecha='2024-03-05'")
                     .toString(),
                 QString("Sin tarde"));
        TestDatabase::disconnect("check");
        QCOMPARE(readBack(workbook()).rows.at(1).at(9), QString("text:Sin tarde"));
    }

    // Without the installation folder nothing is written and the grid is as it was.
    void missingFolderIsReported() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        w_->qticados.setCurrentRow(2);
        const QString missing = dir_.filePath("no/existe");
        Paths::setHome(missing);
        QTest::mouseClick(w_->btJexcel, Qt::LeftButton);
        QCOMPARE(report_->messages, QStringList{"No se ha podido guardar el libro " + missing +
                                                "/TICADOS.xlsx: la carpeta no existe"});
        QCOMPARE(w_->qticados.currentRow(), 2);
        QCOMPARE(w_->qticados.state(), Dataset::State::Browse);
    }

    // Kinds no grid of the window shows: a 64-bit number goes as its text (a workbook's
    // doubles would round it), a date with a time as one serial.
    void otherKindsAsTheirCells_data() {
        QTest::addColumn<QString>("select");
        QTest::addColumn<Field>("field");
        QTest::addColumn<QString>("cell");
        QTest::newRow("64-bit integer")
            << "select 9007199254740993 as v" << Field::integer("v", 64) << "text:9007199254740993";
        QTest::newRow("empty 64-bit integer")
            << "select cast(null as signed) as v" << Field::integer("v", 64) << "empty";
        QTest::newRow("date and time") << "select timestamp('2024-03-05 07:30:15') as v"
                                       << Field{"v", FieldKind::DateTime, 0, false, false, {}, {}}
                                       << "datetime:2024-03-05 07:30:15";
    }
    void otherKindsAsTheirCells() {
        QFETCH(QString, select);
        QFETCH(Field, field);
        QFETCH(QString, cell);
        Dataset q(dm_->dbcontrol, "q");
        q.setSql(select);
        q.setFields({field});
        q.open();
        libro::write(workbook(), "TICADOS", {{"v", "Valor"}}, q);
        // A row of empty cells holds nothing a reader can tell from no row.
        QCOMPARE(readBack(workbook()).rows.value(1).value(0, "empty"), cell);
    }

    // A failure once writing has begun leaves an earlier workbook whole and no temporary file.
    void failureKeepsTheEarlierWorkbook() {
        QFile old(workbook());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier workbook");
        old.close();
        Dataset q(dm_->dbcontrol, "q");
        // A worksheet cell holds at most 32,767 characters.
        q.setSql(
            "select 1 as n union all select 2 union all "
            "select repeat('x', 40000)");
        q.open();
        q.setCurrentRow(1);
        QString error;
        try {
            libro::write(workbook(), "TICADOS", {{"n", "N"}}, q);
        } catch (const FileError& e) {
            error = e.text();
        }
        QCOMPARE(error, "No se ha podido guardar el libro " + workbook() +
                            ": un texto pasa de los 32.767 caracteres que admite una celda");
        QCOMPARE(q.currentRow(), 1);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("earlier workbook"));
        QCOMPARE(QDir(dir_.path()).entryList({"*.xlsx*"}, QDir::Files | QDir::Hidden),
                 QStringList{"TICADOS.xlsx"});
    }

    // The indicator is shown, set to the row count, reaches it with the last row and is
    // hidden again.
    void progressFollowsTheRows() {
        showWindow();
        w_->CheckBox1->setChecked(true);
        QProgressDialog progress(w_.get());
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        progress.hide();
        ShowCounter shown;
        progress.installEventFilter(&shown);
        w_->ExportaraExcel(workbook(), "TICADOS", w_->gridnormal, &progress);
        QCOMPARE(shown.count, 1);
        QCOMPARE(progress.maximum(), w_->qticados.recordCount());
        QCOMPARE(progress.value(), w_->qticados.recordCount());
        QVERIFY(!progress.isVisible());
        QCOMPARE(readBack(workbook()).rows.size(), w_->qticados.recordCount() + 1);
    }
};

QTEST_MAIN(LibroTest)

#include "tst_libro.moc"
