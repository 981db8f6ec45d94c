#pragma once

#include <QDialog>
#include <QString>

#include "ajuste.h"
#include "dataset.h"
#include "jornadas.h"
#include "report.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTableView;
class QToolButton;

namespace horalia {

class Connection;
class DatasetModel;

// The time-records window: daily time sheets of a group of workers and a period, totals per
// worker, corrections in place and in bulk. Created once, shown modally any number of times;
// its state (group, search, tick boxes, views) lives from one showing to the next.
class Tticados : public QDialog {
    Q_OBJECT
public:
    explicit Tticados(Connection& connection, QWidget* parent = nullptr);
    ~Tticados() override;

    // Handlers, named after their control and event.
    void FormShow();
    void FormClose();
    void qempleadosBeforeOpen();
    void tgrupoChange();
    void buscarempleadoChange();
    void buscarempleadoEnter();
    void fdesdeChange();
    void fdesdeExit();
    void CheckBox1Click();
    void CheckBox2Click();
    void qticadosAfterPost();
    void Button1Click();
    void Panel5Click();
    void Button3Click();
    void Button2Click();
    void btJexcelClick();
    // Writes the rows of `DBGrid`'s dataset under its shown columns and titles to the workbook
    // `FileNameXLS` (see libro::write); `ProgressBarXls`, when given, follows the rows.
    void ExportaraExcel(const QString& FileNameXLS, const QString& SheetName, QTableView* DBGrid,
                        QProgressDialog* ProgressBarXls = nullptr);

    // Window state.
    QString filtrotrabajadores;
    int grupo = 0;
    int desdeactualizar = 0;
    // The outcome of the last bulk run, for the line under the adjustment panel.
    ajuste::Outcome lastRun;

    // Left panel.
    QFrame* Panel1;
    QFrame* Panel2;
    QComboBox* tgrupo;
    QLineEdit* buscarempleado;
    QTableView* DBGrid1;
    // Top panel of the right-hand area.
    QFrame* Panel3;
    QDateEdit* fdesde;
    QDateEdit* fhasta;
    QLabel* DBText1;
    QPushButton* Button2;   // "Imprimir"
    QPushButton* btJexcel;  // "A Excel"
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QFrame* Panel5;
    QFrame* pmodificaciones;
    QComboBox* lad;
    QComboBox* lentsal;
    QLineEdit* Edit1;
    QPushButton* Button3;
    QLabel* lnota;  // what a run leaves alone and how it bounds its results
    // The grids and the side panel.
    QTableView* gridnormal;
    QTableView* gridampliado;
    QTableView* gridtotales;
    QFrame* Panel6;
    QToolButton* Button1;

    Dataset qempleados;
    Dataset qticados;
    Dataset qtotalhoras;
    Dataset qtotales;
    DatasetModel* dsqempleados;
    DatasetModel* dsqticadosnormal;
    DatasetModel* dsqticadosampliado;
    DatasetModel* dsqtotales;
    // The hours reports (Button2Click): the report object and the two report data sets.
    reports::Report rTicados;
    reports::ReportDataset ticadosdb{QStringLiteral("frxDBDataset1")};
    reports::ReportDataset ticados2{QStringLiteral("ticados2")};

    // Which grids the views have shown (see showGrids).
    bool normalShown() const { return normalShown_; }
    bool ampliadoShown() const { return ampliadoShown_; }
    bool totalesShown() const { return totalesShown_; }

    // Rows above which a bulk run shows its progress.
    static constexpr int kProgressFrom = 200;
    // Rows from which an export to the workbook shows its progress.
    static constexpr int kExportProgressFrom = 20000;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void done(int result) override;

private:
    void buildLeftPanel();
    void buildTopPanel();
    void buildAdjustmentPanel();
    void buildGrids();
    void periodRefresh(jornadas::TotalsOrder order);
    void tie(bool tied);
    void showGrids();
    void showTotalHours();
    bool cellIsHoliday(int row) const;

    Connection& connection_;
    bool normalShown_ = true;
    bool ampliadoShown_ = false;
    bool totalesShown_ = false;
    bool showing_ = false;  // FormShow is moving the focus itself
    QProgressDialog* progress_ = nullptr;
    QProgressDialog* exportProgress_ = nullptr;
};

}  // namespace horalia
