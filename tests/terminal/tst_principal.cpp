#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "clock.h"
#include "datamodule.h"
#include "paths.h"
#include "principal.h"
#include "teclado.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const char* kDatabase = "t_principal";
const QDate kWednesday(2026, 3, 4);

// Two workers are in at this work centre (ALMACEN), one at another (OFICINA).
const char* kData =
    "insert into trabajadores (ide, ID, NIF, nombre, activo) values "
    "(1, 1, '12345678Z', 'GARCIA LOPEZ ANA', 1),"
    "(1, 2, 'X1234567L', 'MARTIN RUIZ LUIS', 1),"
    "(1, 3, '33333333P', 'SANZ GIL EVA', 1),"
    "(1, 7, '77777777B', 'PEREZ DIAZ JUAN', 1);"
    "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) values "
    "('2026-03-04', 2, 'MARTIN RUIZ LUIS', '07:30:00', 'ALMACEN'),"
    "('2026-03-04', 3, 'SANZ GIL EVA', '07:45:00', 'ALMACEN'),"
    "('2026-03-04', 7, 'PEREZ DIAZ JUAN', '07:50:00', 'OFICINA');";

// The strip colours as the station's colour values (blue, green, red from high to low).
int colourValue(const QWidget* w) {
    const QColor c = w->palette().color(QPalette::Window);
    return c.red() | c.green() << 8 | c.blue() << 16;
}

// A port where no server listens: the station's server has gone away.
constexpr int kNoServerPort = 1;
// Long enough that no timer fires while a test runs the event loop; the tests call the
// handlers themselves, as the timers would.
constexpr int kNever = 24 * 3600 * 1000;
}  // namespace

class PrincipalTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    TestClock* clock_ = nullptr;
    std::unique_ptr<ReportRecorder> report_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<Tprincipal> w_;
    QSqlDatabase check_;

    QString timers() const {
        auto state = [](const QTimer& t) { return t.isActive() ? "on" : "off"; };
        return QStringLiteral("hora:%1 temporizador:%2 tiempo5:%3")
            .arg(state(w_->hora), state(w_->temporizador), state(w_->tiempo5));
    }
    // The live list as shown: one "fecha|idt|trabajador|entrada|salida" line per row.
    QStringList listed() const {
        const QAbstractItemModel* m = w_->DBGrid1->model();
        QStringList rows;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) {
                cells << m->index(r, c).data().toString();
            }
            rows << cells.join('|');
        }
        return rows;
    }
    // Types as a keyboard does; QTest only knows how to type ASCII.
    static void type(QWidget* target, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(target, c.toLatin1());
                continue;
            }
            const int key = c.toUpper().unicode();  // Qt's key codes are the capitals' code points
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
        }
    }
    int punchRows() { return scalar(check_, "select count(*) from ticados").toInt(); }
    QWidget* focused() const { return QApplication::focusWidget(); }

    void verifyReady() {
        QCOMPARE(w_->Panel6->palette().color(QPalette::Window), Tprincipal::normalColour());
        QCOMPARE(w_->Panel7->palette().color(QPalette::Window), Tprincipal::normalColour());
        QVERIFY(w_->ltexto->isHidden());
        QCOMPARE(w_->ltrabajador->text(), QString());
        QVERIFY(w_->Edit1->isVisible());
        QCOMPARE(w_->Edit1->text(), QString());
        QCOMPARE(focused(), w_->Edit1);
        QVERIFY(!w_->contando);
        QCOMPARE(timers(), QString("hora:on temporizador:off tiempo5:on"));
    }
    // The first reset and the first clock tick after the window opened.
    void toReady() {
        w_->temporizadorTimer();
        w_->horaTimer();
        verifyReady();
    }

public:
    ~PrincipalTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create(kDatabase);
        TestDatabase::run(kDatabase, kData);
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), kDatabase, "ALMACEN"));
        clock_ = new TestClock(QDateTime(kWednesday, QTime(8, 0, 5)));
        Clock::setInstance(clock_);
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        check_ = TestDatabase::connect("check", kDatabase);
        w_ = std::make_unique<Tprincipal>();
        for (QTimer* t : {&w_->hora, &w_->temporizador, &w_->tiempo5}) {
            t->setInterval(kNever);
        }
        w_->show();
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    }
    void cleanup() {
        w_.reset();
        dm_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
        report_.reset();
        Clock::setInstance(nullptr);
        clock_ = nullptr;
    }

    void startState() {
        {
            // As created: all three timers on, the keyboard up until the field is focused.
            Tprincipal fresh;
            QCOMPARE(fresh.hora.interval(), 1000);
            QCOMPARE(fresh.temporizador.interval(), 2000);
            QCOMPARE(fresh.tiempo5.interval(), 5000);
            QVERIFY(fresh.hora.isActive() && fresh.temporizador.isActive() &&
                    fresh.tiempo5.isActive());
            QVERIFY(!fresh.teclado->isHidden());
        }
        QCOMPARE(w_->objectName(), QString("principal"));
        QCOMPARE(w_->windowTitle(), QString("Control Horario"));
        QVERIFY(w_->windowState() & Qt::WindowMaximized);
        QCOMPARE(timers(), QString("hora:on temporizador:on tiempo5:on"));
        QVERIFY(!w_->contando);
        QCOMPARE(focused(), w_->Edit1);
        QVERIFY(w_->teclado->isHidden());
        QCOMPARE(w_->teclado->size(), QSize(737, 282));
        QCOMPARE(w_->Panel7->palette().color(QPalette::Window), Tprincipal::headerDesignColour());
        QVERIFY(Tprincipal::headerDesignColour() != Tprincipal::normalColour());
        QCOMPARE(w_->Panel7->height(), 112);
        QCOMPARE(w_->Panel6->height(), 96);
        QCOMPARE(w_->Panel2->width(), 61);
        QCOMPARE(w_->btAsalir->text(), QString());
        QCOMPARE(w_->Edit1->size(), QSize(171, 47));
        QCOMPARE(w_->Edit1->alignment(), Qt::AlignCenter);
        QCOMPARE(w_->ltexto->width(), 283);
        QVERIFY(w_->ltexto->wordWrap());
        QVERIFY(w_->ltexto->isHidden());
        QVERIFY(w_->chkteclado->isHidden());
        QVERIFY(!w_->chkteclado->isChecked());
        QVERIFY(!w_->maintenanceVisible());
        QVERIFY(!w_->MainMenu1->isVisible());
        QCOMPARE(w_->Mantenimient1->title(), QString("Mantenimiento"));
        QCOMPARE(w_->rabajadores1->text(), QString("Trabajadores"));
        QCOMPARE(w_->Controlhorario1->text(), QString("Control horario"));
        QCOMPARE(w_->CalendarioLaboral1->text(), QString("Calendario Laboral"));
        QVERIFY(report_->messages.isEmpty());
    }

    void textsAndFonts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("underline");
        QTest::newRow("Label1") << "Label1"
                                << "FECHA" << 37 << true << true;
        QTest::newRow("lfecha") << "lfecha"
                                << "VIERNES" << 27 << false << false;
        QTest::newRow("Label2") << "Label2"
                                << "HORA" << 37 << true << true;
        QTest::newRow("lhora") << "lhora"
                               << "00:00:00" << 27 << false << false;
        QTest::newRow("Label3") << "Label3"
                                << "Nº Registros" << 37 << true << true;
        QTest::newRow("lregistros") << "lregistros"
                                    << "00" << 27 << false << false;
        QTest::newRow("Label5") << "Label5"
                                << "Trabajador/a:" << 27 << false << false;
        QTest::newRow("ltrabajador") << "ltrabajador"
                                     << "" << 27 << false << false;
        QTest::newRow("ltexto") << "ltexto"
                                << "ENTRADA ACEPTADA" << 27 << true << false;
        QTest::newRow("chkteclado") << "chkteclado"
                                    << "Mostrar Teclado" << 16 << true << false;
        QTest::newRow("Edit1") << "Edit1"
                               << "" << 32 << false << false;
    }
    void textsAndFonts() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(bool, underline);
        auto* control = w_->findChild<QWidget*>(name);
        QVERIFY(control);
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(control)) {
            shown = l->text();
        } else if (auto* c = qobject_cast<QCheckBox*>(control)) {
            shown = c->text();
        } else if (auto* e = qobject_cast<QLineEdit*>(control)) {
            shown = e->text();
        }
        QCOMPARE(shown, text);
        QCOMPARE(control->font().family(), QString("Tahoma"));
        QCOMPARE(control->font().pixelSize(), pixels);
        QCOMPARE(control->font().bold(), bold);
        QCOMPARE(control->font().underline(), underline);
    }

    // The clock labels on the days whose names lose their accents.
    void clockLabels_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("fecha");
        QTest::addColumn<QString>("hora");
        QTest::newRow("Wednesday")
            << QDateTime(kWednesday, QTime(8, 0, 5)) << "Miercoles 04/03/2026"
            << "08:00:05";
        QTest::newRow("Saturday") << QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59))
                                  << "Sabado 07/03/2026"
                                  << "23:59:59";
        QTest::newRow("Sunday") << QDateTime(QDate(2026, 3, 8), QTime(0, 0, 1))
                                << "Domingo 08/03/2026"
                                << "00:00:01";
    }
    void clockLabels() {
        QFETCH(QDateTime, now);
        QFETCH(QString, fecha);
        QFETCH(QString, hora);
        clock_->set(now);
        w_->horaTimer();
        QCOMPARE(w_->lfecha->text(), fecha);
        QCOMPARE(w_->lhora->text(), hora);
    }

    // Who is in at this work centre, newest entry first, on black with light text; the list
    // is empty until the first tick gives it the work centre.
    void liveListOfThisWorkCentre() {
        QCOMPARE(w_->DBGrid1->model()->rowCount(), 0);
        QCOMPARE(w_->lregistros->text(), QString("00"));
        w_->horaTimer();
        QCOMPARE(listed(), QStringList({"04/03/26|3|SANZ GIL EVA|07:45|",
                                        "04/03/26|2|MARTIN RUIZ LUIS|07:30|"}));
        QCOMPARE(w_->lregistros->text(), QString("2"));

        const QAbstractItemModel* m = w_->DBGrid1->model();
        QStringList titles;
        for (int c = 0; c < m->columnCount(); ++c) {
            titles << m->headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(titles, QStringList({"Fecha", "Id T", "Trabajador", "Entrada", "Salida"}));
        const int centred = Qt::AlignCenter;
        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        const QList<int> alignments = {centred, centred, left, centred, centred};
        for (int c = 0; c < m->columnCount(); ++c) {
            QCOMPARE(m->index(0, c).data(Qt::TextAlignmentRole).toInt(), alignments[c]);
            QCOMPARE(m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                     alignments[c]);
        }
        QCOMPARE(w_->DBGrid1->columnWidth(2), 281);
        QCOMPARE(w_->DBGrid1->columnWidth(3), 82);
        QCOMPARE(w_->DBGrid1->columnWidth(4), 78);
        QCOMPARE(w_->DBGrid1->horizontalHeader()->font().pixelSize(), 21);
        QCOMPARE(w_->DBGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(w_->DBGrid1->palette().color(QPalette::Base), QColor(Qt::black));
        QVERIFY(w_->DBGrid1->palette().color(QPalette::Text).lightness() > 200);

        // Nobody in: the count reads 0.
        SQL_EXEC(check_, "update ticados set SALIDA_REAL='08:00:00'");
        w_->horaTimer();
        QCOMPARE(listed(), QStringList());
        QCOMPARE(w_->lregistros->text(), QString("0"));
    }

    // Ready, Typing, Result pending, Result shown and back to Ready, for each outcome.
    void displayCycle_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("list");
        const QString ana = "04/03/26|1|GARCIA LOPEZ ANA|08:00|";
        const QString eva = "04/03/26|3|SANZ GIL EVA|07:45|";
        const QString luis = "04/03/26|2|MARTIN RUIZ LUIS|07:30|";
        QTest::newRow("entry") << "1" << int(Qt::Key_Return) << "ENTRADA ACEPTADA" << 65280
                               << "GARCIA LOPEZ ANA" << QStringList{ana, eva, luis};
        QTest::newRow("entry by NIF, submitted with Down")
            << "12345678Z" << int(Qt::Key_Down) << "ENTRADA ACEPTADA" << 65280 << "GARCIA LOPEZ ANA"
            << QStringList{ana, eva, luis};
        QTest::newRow("exit") << "2" << int(Qt::Key_Return) << "SALIDA ACEPTADA" << 65280
                              << "MARTIN RUIZ LUIS" << QStringList{eva};
        QTest::newRow("worker not found")
            << "99" << int(Qt::Key_Return) << "TRABAJADOR NO ENCONTRADO" << 255 << ""
            << QStringList{eva, luis};
    }
    void displayCycle() {
        QFETCH(QString, code);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, colour);
        QFETCH(QString, name);
        QFETCH(QStringList, list);
        toReady();

        // Typing switches the refocus off.
        QTest::keyClicks(w_->Edit1, code);
        QCOMPARE(w_->Edit1->text(), code);
        QCOMPARE(timers(), QString("hora:on temporizador:off tiempo5:off"));

        // Result pending: the strip coloured, the name in the field's place, the text hidden.
        QTest::keyClick(w_->Edit1, Qt::Key(key));
        QCOMPARE(focused(), w_->DBGrid1);
        QVERIFY(w_->contando);
        QVERIFY(w_->Edit1->isHidden());
        QCOMPARE(w_->Edit1->text(), QString());
        QCOMPARE(colourValue(w_->Panel6), colour);
        QCOMPARE(w_->ltrabajador->text(), name);
        QCOMPARE(w_->ltexto->text(), text);
        QVERIFY(w_->ltexto->isHidden());
        QCOMPARE(timers(), QString("hora:on temporizador:on tiempo5:on"));
        QCOMPARE(listed(), list);
        QCOMPARE(w_->lregistros->text(), QString::number(list.size()));

        // The reset waits for the result to be seen.
        w_->temporizadorTimer();
        QVERIFY(w_->contando);
        QVERIFY(w_->ltexto->isHidden());
        QCOMPARE(timers(), QString("hora:on temporizador:on tiempo5:on"));

        // Result shown at the clock tick, still on the outcome's colour.
        clock_->advanceMs(1000);
        w_->horaTimer();
        QVERIFY(!w_->contando);
        QVERIFY(w_->ltexto->isVisible());
        QCOMPARE(colourValue(w_->Panel6), colour);
        QCOMPARE(w_->ltrabajador->text(), name);
        QCOMPARE(listed(), list);
        QCOMPARE(w_->lregistros->text(), QString::number(list.size()));

        // Keys pressed now never reach the hidden field.
        QTest::keyClicks(focused(), "55");
        QCOMPARE(w_->Edit1->text(), QString());

        w_->temporizadorTimer();
        verifyReady();
        QVERIFY(report_->messages.isEmpty());
    }

    // A code that gives no outcome is reported once and stays in the field, which gets the
    // focus back with the code selected: Enter sends it again, typing replaces it.
    void badInput_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");  // empty: the code failed
        QTest::newRow("decimal number") << "12.5"
                                        << "12.5"
                                        << "";
        QTest::newRow("200 digits") << QString(200, '9') << QString(200, '9') << "";
        QTest::newRow("letters outside A to Z") << "ññ"
                                                << "ÑÑ"
                                                << "";
        QTest::newRow("NIF typed in small letters") << "12345678z"
                                                    << "12345678Z"
                                                    << "ENTRADA ACEPTADA";
        QTest::newRow("200 letters")
            << QString(200, 'a') << QString(200, 'A') << "TRABAJADOR NO ENCONTRADO";
    }
    void badInput() {
        QFETCH(QString, typed);
        QFETCH(QString, field);
        QFETCH(QString, text);
        toReady();
        const int before = punchRows();
        type(w_->Edit1, typed);
        QCOMPARE(w_->Edit1->text(), field);
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        QCoreApplication::processEvents();
        if (!text.isEmpty()) {
            QCOMPARE(w_->ltexto->text(), text);
            QVERIFY(report_->messages.isEmpty());
            return;
        }
        QCOMPARE(report_->messages.size(), 1);
        QCOMPARE(punchRows(), before);
        QVERIFY(w_->Edit1->isVisible());
        QCOMPARE(w_->Edit1->text(), field);
        QCOMPARE(w_->Edit1->selectedText(), field);
        QCOMPARE(focused(), w_->Edit1);
        QVERIFY(!w_->contando);
        QCOMPARE(w_->Panel6->palette().color(QPalette::Window), Tprincipal::normalColour());
        QCOMPARE(timers(), QString("hora:on temporizador:off tiempo5:off"));

        QTest::keyClicks(w_->Edit1, "2");
        QCOMPARE(w_->Edit1->text(), QString("2"));
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        QCOMPARE(w_->ltexto->text(), QString("SALIDA ACEPTADA"));
        QCOMPARE(report_->messages.size(), 1);
    }

    // A click on the list takes the focus; the five-second tick brings it back.
    void refocusBringsTheFocusBack() {
        toReady();
        QTest::mouseClick(w_->DBGrid1->viewport(), Qt::LeftButton);
        QCOMPARE(focused(), w_->DBGrid1);
        QCOMPARE(timers(), QString("hora:on temporizador:off tiempo5:on"));
        w_->tiempo5Timer();
        QCOMPARE(focused(), w_->Edit1);
        QVERIFY(report_->messages.isEmpty());
        QCOMPARE(punchRows(), 3);
    }

    // The refocus never acts on the hidden field, nor takes the keyboard from a window in
    // front of the terminal.
    void refocusLeavesHiddenFieldAndOtherWindows() {
        toReady();
        QTest::keyClicks(w_->Edit1, "99");
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        w_->tiempo5Timer();
        QVERIFY(w_->Edit1->isHidden());
        QCOMPARE(focused(), w_->DBGrid1);
        w_->horaTimer();
        w_->temporizadorTimer();
        verifyReady();

        // Without a parent, so that waiting for it to be active waits for it alone.
        QDialog office;
        auto* edit = new QLineEdit(&office);
        (new QVBoxLayout(&office))->addWidget(edit);
        office.show();
        office.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&office));
        edit->setFocus();
        w_->tiempo5Timer();
        QCOMPARE(focused(), edit);
        QVERIFY(QApplication::activeWindow() == &office);
    }

    // The server goes away while the terminal runs: the clock, the reveal and the reset go
    // on, the last list stays with a mark, a punch is reported once, and everything comes
    // back by itself with the server.
    void databaseAwayAndBack() {
        toReady();
        QTest::keyClicks(w_->Edit1, "1");
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        const QStringList list = listed();
        QCOMPARE(list.size(), 3);
        const int port = dm_->dbcontrol.port();
        dm_->dbcontrol.close();
        dm_->dbcontrol.setPort(kNoServerPort);

        clock_->advanceMs(1000);
        w_->horaTimer();
        QCOMPARE(w_->lhora->text(), QString("08:00:06"));
        QVERIFY(w_->ltexto->isVisible());
        QVERIFY(w_->lconexion->isVisible());
        QCOMPARE(w_->lconexion->text(), QString("Sin conexion con la base de datos"));
        QCOMPARE(listed(), list);
        QCOMPARE(w_->lregistros->text(), QString("3"));
        w_->temporizadorTimer();
        verifyReady();
        QVERIFY(report_->messages.isEmpty());

        QTest::keyClicks(w_->Edit1, "7");
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(report_->messages.size(), 1);
        QCOMPARE(w_->Edit1->text(), QString("7"));
        QCOMPARE(focused(), w_->Edit1);
        for (int i = 0; i < 2 * Tprincipal::kRetryTicks; ++i) {
            clock_->advanceMs(1000);
            w_->horaTimer();
        }
        QCOMPARE(w_->lhora->text(), QString("08:00:16"));
        QVERIFY(w_->lconexion->isVisible());
        QCOMPARE(listed(), list);
        QCOMPARE(report_->messages.size(), 1);
        QVERIFY(w_->hora.isActive());

        dm_->dbcontrol.setPort(port);
        for (int i = 0; i < Tprincipal::kRetryTicks && w_->lconexion->isVisible(); ++i) {
            w_->horaTimer();
        }
        QVERIFY(w_->lconexion->isHidden());
        QCOMPARE(listed(), list);
        // The code left in the field goes in with Enter: worker 7 leaves the other centre.
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        QCOMPARE(w_->ltexto->text(), QString("SALIDA ACEPTADA"));
        QCOMPARE(w_->ltrabajador->text(), QString("PEREZ DIAZ JUAN"));
        QCOMPARE(report_->messages.size(), 1);
    }

    // A punch stored while the list cannot be read shows its outcome without a message.
    void storedPunchWithoutTheList() {
        toReady();
        const QStringList list = listed();
        // The server goes away between the stored punch and the re-read of the list.
        auto away = std::make_shared<QMetaObject::Connection>();
        *away = connect(&dm_->qmovimientos2, &Dataset::rowsAboutToReset, this, [this, away] {
            disconnect(*away);
            dm_->dbcontrol.close();
            dm_->dbcontrol.setPort(kNoServerPort);
        });
        QTest::keyClicks(w_->Edit1, "1");
        QTest::keyClick(w_->Edit1, Qt::Key_Return);
        QCOMPARE(w_->ltexto->text(), QString("ENTRADA ACEPTADA"));
        QCOMPARE(colourValue(w_->Panel6), 65280);
        QCOMPARE(w_->ltrabajador->text(), QString("GARCIA LOPEZ ANA"));
        QVERIFY(w_->lconexion->isVisible());
        QCOMPARE(listed(), list);
        w_->horaTimer();
        QVERIFY(w_->ltexto->isVisible());
        QVERIFY(report_->messages.isEmpty());
        QCOMPARE(scalar(check_, "select count(*) from ticados where idt=1").toInt(), 1);
    }

    void listThatCannotOpenWhenShown() {
        w_.reset();
        dm_->qmovimientos2.close();
        dm_->dbcontrol.close();
        dm_->dbcontrol.setPort(kNoServerPort);
        Tprincipal w;
        w.show();
        QCOMPARE(report_->messages, QStringList{"Error de conexion con la base de datos"});
        QVERIFY(w.isVisible());
        QVERIFY(w.hora.isActive() && w.temporizador.isActive() && w.tiempo5.isActive());
    }

    // The keyboard types into the focused field without taking the focus, and its Enter
    // submits the code like a physical one.
    void onScreenKeyboard() {
        toReady();
        w_->chkteclado->setChecked(true);
        w_->chktecladoClick();
        QVERIFY(w_->teclado->isVisible());
        auto key = [this](const QString& label) {
            for (auto* b : w_->teclado->findChildren<QPushButton*>()) {
                if (b->text() == label) {
                    return b;
                }
            }
            return static_cast<QPushButton*>(nullptr);
        };
        QTest::mouseClick(key("1"), Qt::LeftButton);
        QTest::mouseClick(key("X"), Qt::LeftButton);
        QTest::mouseClick(key("\u232B"), Qt::LeftButton);
        QCOMPARE(w_->Edit1->text(), QString("1"));
        QCOMPARE(focused(), w_->Edit1);
        QTest::mouseClick(key("Intro"), Qt::LeftButton);
        QCOMPARE(w_->ltexto->text(), QString("ENTRADA ACEPTADA"));
        QVERIFY(w_->teclado->isHidden());
        w_->horaTimer();
        w_->temporizadorTimer();
        QVERIFY(w_->teclado->isVisible());

        const QImage face = w_->teclado->grab().toImage();
        QCOMPARE(face.pixelColor(1, 1), QColor(128, 128, 128));
        QVERIFY(qAbs(face.pixelColor(1, face.height() - 2).red() - 192) <= 2);
    }

    // Ctrl+Alt+M shows the maintenance menu after the station's database password.
    void maintenanceChord_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QVariant>("answer");  // invalid: the question is cancelled
        QTest::addColumn<bool>("shown");
        QTest::newRow("no password, no question") << "" << QVariant() << true;
        QTest::newRow("right password") << "secreto" << QVariant("secreto") << true;
        QTest::newRow("wrong password") << "secreto" << QVariant("SECRETO") << false;
        QTest::newRow("question cancelled") << "secreto" << QVariant() << false;
    }
    void maintenanceChord() {
        QFETCH(QString, password);
        QFETCH(QVariant, answer);
        QFETCH(bool, shown);
        dm_->dbcontrol.setPassword(password);
        int asked = 0;
        w_->setPasswordPrompt([&]() -> std::optional<QString> {
            ++asked;
            return answer.isValid() ? std::optional<QString>(answer.toString()) : std::nullopt;
        });
        toReady();
        QTest::keyClick(w_.get(), Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(asked, password.isEmpty() ? 0 : 1);
        QCOMPARE(w_->maintenanceVisible(), shown);
        QCOMPARE(w_->MainMenu1->isVisible(), shown);
        QCOMPARE(w_->Edit1->text(), QString());
        if (shown) {
            QTest::keyClick(w_.get(), Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
            QVERIFY(!w_->maintenanceVisible());
        }
        QCOMPARE(punchRows(), 3);
    }

    // Each item shows its window modally: the one plugged in, or a placeholder until then.
    void menuItemsOpenModally_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("plugged");
        QTest::newRow("Trabajadores") << "rabajadores1"
                                      << "Trabajadores" << false;
        QTest::newRow("Control horario") << "Controlhorario1"
                                         << "Control horario" << false;
        QTest::newRow("Calendario Laboral") << "CalendarioLaboral1"
                                            << "Calendario Laboral" << false;
        QTest::newRow("Trabajadores, plugged in") << "rabajadores1"
                                                  << "Trabajadores" << true;
        QTest::newRow("Control horario, plugged in") << "Controlhorario1"
                                                     << "Control horario" << true;
        QTest::newRow("Calendario Laboral, plugged in") << "CalendarioLaboral1"
                                                        << "Calendario Laboral" << true;
    }
    void menuItemsOpenModally() {
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(bool, plugged);
        QDialog window;
        if (plugged) {
            if (item == "rabajadores1") {
                w_->setWorkersWindow(&window);
            } else if (item == "Controlhorario1") {
                w_->setTimesheetsWindow(&window);
            } else {
                w_->setCalendarWindow(&window);
            }
        }
        w_->setMaintenanceVisible(true);
        QWidget* seen = nullptr;
        QString title;
        QString text;
        QTimer::singleShot(0, this, [&] {
            seen = QApplication::activeModalWidget();
            if (seen) {
                title = seen->windowTitle();
                if (auto* l = seen->findChild<QLabel*>("placeholderText")) {
                    text = l->text();
                }
                seen->close();
            }
        });
        auto* action = w_->findChild<QAction*>(item);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        action->trigger();
        QVERIFY(seen);
        if (plugged) {
            QCOMPARE(seen, &window);
        } else {
            QCOMPARE(title, caption);
            QCOMPARE(text, QString("La ventana «%1» todavía no está disponible.").arg(caption));
        }
        QVERIFY(report_->messages.isEmpty());
    }
};

QObject* newPrincipalTest() {
    return new PrincipalTest;
}

#include "tst_principal.moc"
