#pragma once

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "dataset.h"
#include "report.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;

namespace horalia {

class DatasetModel;
class FotoPanel;
class TDM;

// A toolbar button of the worker window: its caption on top and its icon under it.
class CaptionIconButton : public QPushButton {
    Q_OBJECT
public:
    CaptionIconButton(const QString& caption, const QIcon& icon, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The worker window: a searchable list of workers on the left, a toolbar, and the record of
// the selected worker, which "Nuevo" and "Editar" open for editing. It works on DM's list
// query qempleados and record query trabajadores (tied to the list on ide;id) and handles
// their notifications; the search state lives in DM (filtro, vertodos), so the list found at
// one showing is the list opened at the next.
class TEmpleados : public QDialog {
    Q_OBJECT
public:
    explicit TEmpleados(TDM& dm, QWidget* parent = nullptr);
    ~TEmpleados() override;

    // The terminal's reset timer, stopped while this window is shown; none is fine.
    void setResetTimer(QTimer* timer) { temporizador_ = timer; }

    // --- Controls, named as the window's layout names them --------------------------------
    QFrame* Panel1;  // sky-blue background
    QFrame* Panel2;  // left column
    QFrame* Panel3;  // search strip
    QLabel* Label1;
    QCheckBox* todosempleados;
    QLineEdit* tbuscarempleados;
    QTableView* DBGrid1;
    QFrame* Panel4;  // toolbar
    CaptionIconButton* btenuevo;
    CaptionIconButton* bteborrar;
    CaptionIconButton* btemodificar;
    CaptionIconButton* bteguardar;
    CaptionIconButton* btecancelar;
    CaptionIconButton* Button2;
    QLabel* Label2;  // title
    CaptionIconButton* btesalir;
    QFrame* Pempleadosdatos;
    QLineEdit* DBEdit38;  // Id
    QLineEdit* DBEdit39;  // Nif
    QLineEdit* DBEdit40;  // Nombre
    QLineEdit* DBEdit41;  // Apellidos
    QLineEdit* DBEdit42;  // N. completo
    QLineEdit* DBEdit43;  // Dirección
    QLineEdit* DBEdit44;  // Población
    QLineEdit* DBEdit45;  // Código Postal
    QLineEdit* DBEdit46;  // Provincia
    QLineEdit* DBEdit47;  // Teléfono 1
    QLineEdit* DBEdit48;  // Teléfono 2
    QLineEdit* DBEdit49;  // Grupo
    QLineEdit* DBEdit50;  // Observaciones
    QGroupBox* DBRadioGroup1;
    QRadioButton* rbsi;
    QRadioButton* rbno;
    QButtonGroup* grupoactivo;
    QFrame* peimagenes;  // the photo panel
    FotoPanel* fotos;    // its photo box, camera and picture controls (fotopanel.h)

    Dataset qaux;  // proposes the number of a new worker
    // The cards (Button2Click): the report object and its data set, the worker's row.
    reports::Report rTarjeta;
    reports::ReportDataset informedb{QStringLiteral("frxDBDataset1")};

    // --- Handlers ------------------------------------------------------------------------------
    void FormShow();
    void FormClose();
    void tbuscarempleadosEnter();
    void tbuscarempleadosExit();
    void todosempleadosClick();
    void btenuevoClick();
    void bteborrarClick();
    void btemodificarClick();
    void bteguardarClick();
    void btecancelarClick();
    void btesalirClick();
    void Button2Click();
    void DBEdit40Exit();
    void DBEdit41Exit();
    // Handlers of the data module's datasets that belong to this window.
    void qempleadosAfterClose();
    void trabajadoresAfterPost();
    void trabajadoresAfterDelete();
    void dsempleadosStateChange(Dataset::State state);
    void dsqempleadosDataChange();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLeftColumn();
    void buildToolbar();
    void buildRecordPanel();
    QLineEdit* addField(const QString& objectName, const QString& label, const QString& column,
                        int row, int width);
    void recomposeFullName();
    void showListRow(int row);

    TDM& dm_;
    QPointer<QTimer> temporizador_;
    DatasetModel* listModel_ = nullptr;
    bool shown_ = false;
};

}  // namespace horalia
