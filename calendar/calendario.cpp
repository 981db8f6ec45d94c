#include "calendario.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFrame>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include "bindings.h"
#include "clock.h"
#include "errorreport.h"
#include "placement.h"

namespace horalia {

namespace {
const QColor kAqua(0, 255, 255);
const QColor kMaroon(128, 0, 0);
const QColor kOlive(128, 128, 0);
const QColor kHolidayBack(255, 170, 170);
}  // namespace

Tcalendario::Tcalendario(Connection& connection, QWidget* parent)
    : QDialog(parent),
      qcalendario(connection, QStringLiteral("qcalendario"), this),
      qfestivos(connection, QStringLiteral("qfestivos"), this) {
    setObjectName(QStringLiteral("calendario"));
    setWindowTitle(QStringLiteral("Calendario Laboral"));
    setModal(true);
    setFixedSize(425, 391);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);

    qcalendario.setSql(QStringLiteral("select * from calendario_laboral order by fecha"));
    qcalendario.setFields({Field::date("fecha", true), Field::integer("festivo", 32, true)});
    qcalendario.setUpdateTable(QStringLiteral("calendario_laboral"), {QStringLiteral("fecha")});

    qfestivos.setSql(
        QStringLiteral("select fecha from calendario_laboral where fecha between :desde and :hasta "
                       "and festivo=1"));
    qfestivos.setFields({Field::date("fecha", true)});

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);

    meses = new QCalendarWidget(Panel1);
    meses->setObjectName(QStringLiteral("meses"));
    meses->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    meses->setFirstDayOfWeek(Qt::Monday);
    meses->setGridVisible(true);
    meses->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    meses->setStyleSheet(
        QStringLiteral("QCalendarWidget QAbstractItemView { background-color: %1; "
                       "selection-background-color: %2; selection-color: white; }"
                       "QCalendarWidget QWidget#qt_calendar_navigationbar { background-color: %2; }"
                       "QCalendarWidget QToolButton { color: %3; font-weight: bold; }")
            .arg(kAqua.name(), kMaroon.name(), kOlive.name()));

    chkfestivo = new QCheckBox(QStringLiteral("Marcar como festivo"), Panel1);
    chkfestivo->setObjectName(QStringLiteral("chkfestivo"));
    chkfestivo->setLayoutDirection(Qt::RightToLeft);  // caption to the left of the box
    chkfestivo->setMinimumSize(129, 17);

    auto* layout = new QVBoxLayout(Panel1);
    layout->addWidget(meses, 1);
    layout->addWidget(chkfestivo, 0, Qt::AlignHCenter);

    FieldBinding::bind(chkfestivo, qcalendario, QStringLiteral("festivo"));
    // After the binding's own handler has put the toggled value into the row.
    connect(chkfestivo, &QCheckBox::clicked, this, &Tcalendario::chkfestivoMouseUp);
    // Keyboard moves in the calendar change the day as a click does. A mouse click on a new
    // day changes the selection on press and reports the click on release: one read is enough.
    connect(meses, &QCalendarWidget::selectionChanged, this, [this] {
        readOnPress_ = QApplication::mouseButtons() != Qt::NoButton;
        mesesClick();
    });
    connect(meses, &QCalendarWidget::clicked, this, [this] {
        if (!readOnPress_) {
            mesesClick();
        }
        readOnPress_ = false;
    });
    connect(meses, &QCalendarWidget::currentPageChanged, this,
            [this] { ErrorReport::guard([this] { showHolidays(); }); });
}

QString Tcalendario::dayCondition(const QDate& day) {
    return QStringLiteral("fecha='%1/%2/%3'").arg(day.day()).arg(day.month()).arg(day.year());
}

void Tcalendario::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this);
    FormShow();
}

void Tcalendario::applyDay(const QDate& day) {
    condition_ = dayCondition(day);
    qcalendario.setFilter([day](const Dataset& d, const Dataset::Row& row) {
        return row[d.fieldIndex(QStringLiteral("fecha"))].toDate() == day;
    });
    // An open dataset keeps the rows it holds: the filter above already applies to them.
    qcalendario.open();
    chkfestivo->setEnabled(!qcalendario.isEmpty());
    showHolidays();
}

void Tcalendario::FormShow() {
    ErrorReport::guard([this] {
        const QDate today = Clock::today();
        const QSignalBlocker block(meses);
        meses->setSelectedDate(today);
        meses->setCurrentPage(today.year(), today.month());
        // At later showings the rows read last are filtered again, not read again.
        applyDay(today);
    });
}

void Tcalendario::mesesClick() {
    ErrorReport::guard([this] {
        qcalendario.close();  // drops a change that was not stored
        applyDay(meses->selectedDate());
    });
}

void Tcalendario::chkfestivoMouseUp() {
    ErrorReport::guard([this] {
        if (qcalendario.state() == Dataset::State::Edit) {
            qcalendario.post();
            showHolidays();
        }
    });
}

void Tcalendario::showHolidays() {
    const QDate first(meses->yearShown(), meses->monthShown(), 1);
    // The grid shows up to a week of the neighbouring months on either side.
    qfestivos.close();
    qfestivos.setParam(QStringLiteral("desde"), first.addDays(-7));
    qfestivos.setParam(QStringLiteral("hasta"), first.addMonths(1).addDays(13));
    meses->setDateTextFormat(QDate(), QTextCharFormat());
    qfestivos.open();
    QTextCharFormat holiday;
    holiday.setBackground(kHolidayBack);
    holiday.setForeground(Qt::darkRed);
    holiday.setFontWeight(QFont::Bold);
    for (int r = 0; r < qfestivos.recordCount(); ++r) {
        meses->setDateTextFormat(qfestivos.value(r, 0).toDate(), holiday);
    }
}

}  // namespace horalia
