#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "bindings.h"
#include "datamodule.h"
#include "errors.h"
#include "paths.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

// The edit-field binding on integer columns: a number is written whole or not at all.
class IntegerBindingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<ReportRecorder> report_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<QLineEdit> id_;
    std::unique_ptr<QLineEdit> grupo_;
    FieldBinding* idBinding_ = nullptr;
    QSqlDatabase check_;

    Dataset& record() { return dm_->trabajadores; }
    static FieldBinding* bindingOf(QLineEdit* edit) { return edit->findChild<FieldBinding*>(); }
    void retype(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

public:
    ~IntegerBindingTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create("t_binding");
        TestDatabase::run("t_binding",
                          "insert into trabajadores (ide, ID, NIF, nombre, activo) values "
                          "(1, 7, '77777777B', 'GARCIA LOPEZ ANA', 1)");
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), "t_binding", "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        record().setMasterLinkActive(false);
        record().open();
        id_ = std::make_unique<QLineEdit>();
        grupo_ = std::make_unique<QLineEdit>();
        idBinding_ = FieldBinding::bind(id_.get(), record(), "ID");
        idBinding_->setCaption("Id");
        FieldBinding::bind(grupo_.get(), record(), "activo");
        id_->show();
        grupo_->show();
        check_ = TestDatabase::connect("check", "t_binding");
    }
    void cleanup() {
        id_.reset();
        grupo_.reset();
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
    }

    // Typed key by key, as a user does: the row holds the last whole number the field held.
    void typedText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a number") << "57" << QVariant(57) << true;
        QTest::newRow("lowest SMALLINT") << "-32768" << QVariant(-32768) << true;
        QTest::newRow("highest SMALLINT") << "32767" << QVariant(32767) << true;
        QTest::newRow("empty is null") << "" << QVariant() << true;
        QTest::newRow("letters after digits") << "12A" << QVariant(12) << false;
        QTest::newRow("letters only") << "ABC" << QVariant() << false;
        QTest::newRow("above 32767") << "32768" << QVariant(3276) << false;
        QTest::newRow("far above") << "40000" << QVariant(4000) << false;
        QTest::newRow("decimal") << "7.5" << QVariant(7) << false;
    }
    void typedText() {
        QFETCH(QString, typed);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        retype(id_.get(), typed);
        QCOMPARE(record().state(), Dataset::State::Edit);
        QCOMPARE(record().value("ID"), value);
        QCOMPARE(id_->text(), typed);
        QCOMPARE(idBinding_->invalidText().isEmpty(), accepted);
    }

    void invalidTextRefusesThePostAndWritesNothing() {
        retype(id_.get(), "12A");
        QString refused;
        try {
            record().post();
        } catch (const UserError& e) {
            refused = e.text();
        }
        QCOMPARE(refused, QString("«12A» no es un valor válido para Id: escriba un número entero "
                                  "entre -32768 y 32767."));
        QCOMPARE(record().state(), Dataset::State::Edit);
        QCOMPARE(scalar(check_, "select ID from trabajadores").toInt(), 7);
        retype(id_.get(), "12");
        record().post();
        QCOMPARE(scalar(check_, "select ID from trabajadores").toInt(), 12);
    }

    void widthFollowsTheColumn() {
        retype(grupo_.get(), "40000");  // activo is a 32-bit column
        QCOMPARE(record().value("activo").toInt(), 40000);
        retype(grupo_.get(), "2147483648");
        QCOMPARE(record().value("activo").toInt(), 214748364);
        QVERIFY(!bindingOf(grupo_.get())->invalidText().isEmpty());
        QCOMPARE(record().value("ID").toInt(), 7);
    }

    void invalidTextStaysUntilItsValueChangesOrTheEditEnds() {
        retype(id_.get(), "12A");
        retype(grupo_.get(), "3");  // another field's change shows every field again
        QCOMPARE(id_->text(), QString("12A"));
        record().setValue("ID", 9);  // the field's own value changed by the program
        QCOMPARE(id_->text(), QString("9"));
        QVERIFY(idBinding_->invalidText().isEmpty());
        retype(id_.get(), "X");
        record().cancel();
        QCOMPARE(id_->text(), QString("7"));
        QVERIFY(idBinding_->invalidText().isEmpty());
        record().edit();
        record().post();  // nothing invalid is left over from the cancelled edit
        QVERIFY(report_->messages.isEmpty());
    }
};

QObject* newIntegerBindingTest() {
    return new IntegerBindingTest;
}

#include "tst_integerbinding.moc"
