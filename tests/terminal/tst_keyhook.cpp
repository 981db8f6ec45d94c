#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>
#include <memory>

#include "keyhook.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;

// The program-wide Enter key, in a dialog of its own as the maintenance windows will be.
class KeyHookTest : public QObject {
    Q_OBJECT
    std::unique_ptr<KeyHook> hook_;
    std::unique_ptr<ReportRecorder> report_;

    // The control of a kind, as a maintenance window would hold it.
    static QWidget* make(const QString& kind, QWidget* parent) {
        if (kind == "line edit") {
            return new QLineEdit(parent);
        }
        if (kind == "date edit") {
            return new QDateEdit(QDate(2026, 3, 4), parent);
        }
        if (kind == "memo") {
            return new QTextEdit(parent);
        }
        if (kind == "plain memo") {
            return new QPlainTextEdit(parent);
        }
        if (kind == "combo") {
            auto* combo = new QComboBox(parent);
            combo->addItems({"UNO", "DOS", "TRES"});
            return combo;
        }
        if (kind == "radio") {
            return new QRadioButton("Mañana", parent);
        }
        if (kind == "read-only grid" || kind == "editable grid") {
            auto* grid = new QTableView(parent);
            auto* model = new QStandardItemModel(3, 4, grid);
            grid->setModel(model);
            if (kind == "read-only grid") {
                grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
            }
            return grid;
        }
        if (kind == "list") {
            auto* list = new QListWidget(parent);
            list->addItems({"UNO", "DOS"});
            list->setCurrentRow(0);
            return list;
        }
        if (kind == "tab bar") {
            auto* tabs = new QTabBar(parent);
            tabs->addTab("Datos");
            tabs->addTab("Foto");
            tabs->setFocusPolicy(Qt::StrongFocus);
            return tabs;
        }
        return new QPushButton("Aceptar", parent);
    }

private slots:
    void init() {
        report_ = std::make_unique<ReportRecorder>();
        hook_ = std::make_unique<KeyHook>();
        qApp->installEventFilter(hook_.get());
    }
    void cleanup() {
        hook_.reset();
        QVERIFY2(report_->messages.isEmpty(), qPrintable(report_->messages.join('\n')));
        report_.reset();
    }

    // startColumn / column: the grid's selected column before and after (-1: no grid).
    void keyByControlKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("startColumn");
        QTest::addColumn<int>("column");
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("line edit, Enter")
            << "line edit" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("line edit, keypad Enter")
            << "line edit" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << -1 << -1;
        QTest::newRow("line edit, Down")
            << "line edit" << int(Qt::Key_Down) << none << true << -1 << -1;
        QTest::newRow("date edit, Enter")
            << "date edit" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("date edit, Down")
            << "date edit" << int(Qt::Key_Down) << none << true << -1 << -1;
        QTest::newRow("memo, Enter") << "memo" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("memo, Ctrl+Enter")
            << "memo" << int(Qt::Key_Return) << ctrl << false << -1 << -1;
        QTest::newRow("memo, Down") << "memo" << int(Qt::Key_Down) << none << true << -1 << -1;
        QTest::newRow("plain memo, Enter")
            << "plain memo" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("plain memo, Ctrl+Enter")
            << "plain memo" << int(Qt::Key_Return) << ctrl << false << -1 << -1;
        QTest::newRow("closed combo, Enter")
            << "combo" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("combo, Down opens its list")
            << "combo" << int(Qt::Key_Down) << none << false << -1 << -1;
        QTest::newRow("radio button, Enter")
            << "radio" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("read-only grid, Enter")
            << "read-only grid" << int(Qt::Key_Return) << none << true << 1 << 1;
        QTest::newRow("read-only grid, Ctrl+Enter")
            << "read-only grid" << int(Qt::Key_Return) << ctrl << true << 1 << 1;
        QTest::newRow("editable grid, Enter")
            << "editable grid" << int(Qt::Key_Return) << none << true << 1 << 1;
        QTest::newRow("editable grid, Ctrl+Enter")
            << "editable grid" << int(Qt::Key_Return) << ctrl << false << 1 << 2;
        QTest::newRow("editable grid, Ctrl+Enter on the last column")
            << "editable grid" << int(Qt::Key_Return) << ctrl << false << 3 << 0;
        QTest::newRow("editable grid, Ctrl+Shift+Enter")
            << "editable grid" << int(Qt::Key_Return) << ctrlShift << false << 2 << 1;
        QTest::newRow("editable grid, Ctrl+Shift+Enter on the first column")
            << "editable grid" << int(Qt::Key_Return) << ctrlShift << false << 0 << 3;
        QTest::newRow("list, Enter") << "list" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("tab bar, Enter")
            << "tab bar" << int(Qt::Key_Return) << none << true << -1 << -1;
        QTest::newRow("button, Enter is its own")
            << "button" << int(Qt::Key_Return) << none << false << -1 << -1;
    }
    void keyByControlKind() {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, moves);
        QFETCH(int, startColumn);
        QFETCH(int, column);

        // A dialog whose default button would take a plain Enter if the hook let it through.
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        QWidget* control = make(kind, &dialog);
        auto* next = new QLineEdit(&dialog);
        next->setObjectName("next");
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        buttons->button(QDialogButtonBox::Ok)->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        layout->addWidget(control);
        layout->addWidget(next);
        layout->addWidget(buttons);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* grid = qobject_cast<QTableView*>(control);
        if (grid) {
            grid->setCurrentIndex(grid->model()->index(1, startColumn));
        }
        control->setFocus();
        QCOMPARE(QApplication::focusWidget(), control);

        QTest::keyClick(control, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(QApplication::focusWidget() == next, moves);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        if (grid) {
            QCOMPARE(grid->currentIndex().column(), column);
            QCOMPARE(grid->currentIndex().row(), 1);
        }
        if (auto* memo = qobject_cast<QTextEdit*>(control)) {
            // Ctrl+Enter starts a new line; a moved-on Enter or Down types nothing.
            QCOMPARE(memo->toPlainText(), QString(moves ? "" : "\n"));
        }
        if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
            QCOMPARE(memo->toPlainText(), QString(moves ? "" : "\n"));
        }
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            QCOMPARE(combo->view()->isVisible(), key == Qt::Key_Down);
            QCOMPARE(combo->currentIndex(), 0);
            combo->hidePopup();
        }
    }

    // With its list down, Enter takes the item: the hook leaves the key to the list.
    void openComboKeepsEnter() {
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* combo = qobject_cast<QComboBox*>(make("combo", &dialog));
        auto* next = new QLineEdit(&dialog);
        layout->addWidget(combo);
        layout->addWidget(next);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QVERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QVERIFY(!combo->view()->isVisible());
        QCOMPARE(combo->currentText(), QString("DOS"));
        QCOMPARE(QApplication::focusWidget(), combo);
    }
};

QObject* newKeyHookTest() {
    return new KeyHookTest;
}

#include "tst_keyhook.moc"
