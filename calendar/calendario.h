#pragma once

#include <QDate>
#include <QDialog>

#include "dataset.h"

class QCalendarWidget;
class QCheckBox;
class QFrame;

namespace horalia {

class Connection;

// The work calendar: pick a day, mark or unmark it as a holiday. Changes only `festivo` of
// existing rows of calendario_laboral; never creates a row.
class Tcalendario : public QDialog {
    Q_OBJECT
public:
    explicit Tcalendario(Connection& connection, QWidget* parent = nullptr);

    // fecha='5/3/2024': day, month, year, no leading zeros.
    static QString dayCondition(const QDate& day);
    QString condition() const { return condition_; }

    void FormShow();
    void mesesClick();
    // Stores the toggled mark at once; runs when the box is released after a mouse click and
    // also after a change made with the keyboard, so no change the user sees is dropped.
    void chkfestivoMouseUp();

    QFrame* Panel1;
    QCalendarWidget* meses;
    QCheckBox* chkfestivo;
    Dataset qcalendario;
    Dataset qfestivos;  // the holidays of the shown month, to paint them

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyDay(const QDate& day);
    void showHolidays();
    QString condition_;
    bool readOnPress_ = false;
};

}  // namespace horalia
