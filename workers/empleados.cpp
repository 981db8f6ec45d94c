#include "empleados.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "bindings.h"
#include "casevalidator.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "errorreport.h"
#include "errors.h"
#include "fotopanel.h"
#include "paths.h"
#include "placement.h"
#include "workerrules.h"

namespace horalia {

namespace {
const QColor kSkyBlue(166, 202, 240);
const QColor kLightYellow(255, 255, 185);

// The server's error number for a value already used under a unique key.
constexpr int kDuplicateKey = 1062;

constexpr int kLeftWidth = 252;
constexpr int kStripHeight = 80;
constexpr int kToolbarHeight = 40;
constexpr int kButtonWidth = 55;
constexpr int kRecordWidth = 312;
constexpr int kPhotoWidth = 264;
constexpr int kFieldPitch = 33;
constexpr int kFieldLeft = 100;
constexpr int kWideField = 200;
constexpr int kNarrowField = 80;

void paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont bold(QFont font, bool italic = false) {
    font.setBold(true);
    font.setItalic(italic);
    return font;
}

// How a field's letters are typed: as they come, or turned into capitals or small letters.
enum class Case { AsTyped, Upper, Lower };
}  // namespace

// --- CaptionIconButton ------------------------------------------------------------------------

CaptionIconButton::CaptionIconButton(const QString& caption, const QIcon& icon, QWidget* parent)
    : QPushButton(icon, caption, parent) {
    // Enter is the key hook's Tab here; no button of the window answers it by itself.
    setAutoDefault(false);
    setDefault(false);
}

void CaptionIconButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area = rect().adjusted(2, 3, -2, -2);
    const QRect textRect(area.left(), area.top(), area.width(), fontMetrics().height());
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop, palette(), isEnabled(), text(),
                         QPalette::ButtonText);
    const QSize size = iconSize();
    const QRect iconRect(area.center().x() - size.width() / 2 + 1, textRect.bottom() + 2,
                         size.width(), size.height());
    icon().paint(&painter, iconRect, Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

// --- TEmpleados -------------------------------------------------------------------------------

TEmpleados::TEmpleados(TDM& dm, QWidget* parent)
    : QDialog(parent), qaux(dm.dbcontrol, QStringLiteral("qaux"), this), dm_(dm) {
    setObjectName(QStringLiteral("Empleados"));
    setWindowTitle(QStringLiteral("Empleados"));
    setModal(true);
    setFixedSize(699, 558);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    paint(Panel1, kSkyBlue);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);

    buildLeftColumn();
    buildToolbar();
    buildRecordPanel();

    peimagenes = new QFrame(Panel1);
    peimagenes->setObjectName(QStringLiteral("peimagenes"));
    // Right of the record panel; the window's edge shows its first part, where the photo box sits.
    peimagenes->setGeometry(kLeftWidth + kRecordWidth, kToolbarHeight, kPhotoWidth,
                            height() - kToolbarHeight);
    fotos = new FotoPanel(dm_.trabajadores, peimagenes);
    fotos->setGeometry(peimagenes->rect());

    setTabOrder(tbuscarempleados, todosempleados);
    setTabOrder(todosempleados, DBGrid1);
    QWidget* previous = DBGrid1;
    for (QWidget* w : std::initializer_list<QWidget*>{
             btenuevo, bteborrar, btemodificar, bteguardar, btecancelar, Button2,
             btesalir, DBEdit38,  DBEdit39,     DBEdit40,   DBEdit41,    DBEdit42,
             DBEdit43, DBEdit44,  DBEdit45,     DBEdit46,   DBEdit47,    DBEdit48,
             DBEdit49, DBEdit50,  rbsi,         rbno}) {
        setTabOrder(previous, w);
        previous = w;
    }

    Dataset& list = dm_.qempleados;
    Dataset& record = dm_.trabajadores;
    connect(&list, &Dataset::afterClose, this, &TEmpleados::qempleadosAfterClose);
    connect(&list, &Dataset::dataChanged, this, &TEmpleados::dsqempleadosDataChange);
    connect(&list, &Dataset::currentRowChanged, this, &TEmpleados::showListRow);
    connect(&record, &Dataset::afterPost, this, &TEmpleados::trabajadoresAfterPost);
    connect(&record, &Dataset::afterDelete, this, &TEmpleados::trabajadoresAfterDelete);
    connect(&record, &Dataset::stateChanged, this, &TEmpleados::dsempleadosStateChange);

    connect(todosempleados, &QCheckBox::clicked, this, &TEmpleados::todosempleadosClick);
    connect(btenuevo, &QPushButton::clicked, this, &TEmpleados::btenuevoClick);
    connect(bteborrar, &QPushButton::clicked, this, &TEmpleados::bteborrarClick);
    connect(btemodificar, &QPushButton::clicked, this, &TEmpleados::btemodificarClick);
    connect(bteguardar, &QPushButton::clicked, this, &TEmpleados::bteguardarClick);
    connect(btecancelar, &QPushButton::clicked, this, &TEmpleados::btecancelarClick);
    connect(Button2, &QPushButton::clicked, this, &TEmpleados::Button2Click);
    connect(btesalir, &QPushButton::clicked, this, &TEmpleados::btesalirClick);
    for (QWidget* w : {static_cast<QWidget*>(tbuscarempleados), static_cast<QWidget*>(DBEdit40),
                       static_cast<QWidget*>(DBEdit41)}) {
        w->installEventFilter(this);
    }
}

TEmpleados::~TEmpleados() {
    for (QWidget* w : {static_cast<QWidget*>(tbuscarempleados), static_cast<QWidget*>(DBEdit40),
                       static_cast<QWidget*>(DBEdit41)}) {
        w->removeEventFilter(this);
    }
    // The data module outlives the window; nothing of it may reach a half-destroyed window.
    dm_.qempleados.disconnect(this);
    dm_.trabajadores.disconnect(this);
}

void TEmpleados::buildLeftColumn() {
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 0, kLeftWidth, height());
    paint(Panel2, kLightYellow);

    Panel3 = new QFrame(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(0, 0, kLeftWidth, kStripHeight);
    paint(Panel3, kSkyBlue);

    Label1 = new QLabel(QStringLiteral("Buscar:"), Panel3);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(bold(font()));
    Label1->setGeometry(8, 12, 80, 17);

    todosempleados = new QCheckBox(QStringLiteral("Ver Todos"), Panel3);
    todosempleados->setObjectName(QStringLiteral("todosempleados"));
    todosempleados->setFont(bold(font()));
    todosempleados->setGeometry(150, 10, 94, 21);

    tbuscarempleados = new QLineEdit(Panel3);
    tbuscarempleados->setObjectName(QStringLiteral("tbuscarempleados"));
    tbuscarempleados->setValidator(new CaseValidator(CaseValidator::Case::Upper, tbuscarempleados));
    tbuscarempleados->setGeometry(8, 42, kLeftWidth - 16, 24);
    Label1->setBuddy(tbuscarempleados);

    DBGrid1 = new QTableView(Panel2);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    // Beside the last column the title row keeps the grid's own colour, not the column's.
    QPalette gridPalette = DBGrid1->palette();
    gridPalette.setColor(QPalette::Window, style()->standardPalette().color(QPalette::Button));
    DBGrid1->setPalette(gridPalette);
    DBGrid1->setGeometry(8, kStripHeight + 8, kLeftWidth - 16, height() - kStripHeight - 16);
    listModel_ = new DatasetModel(dm_.qempleados,
                                  {{QStringLiteral("nombre"), QStringLiteral("Nombre")}}, DBGrid1);
    listModel_->setReadOnly(true);
    DBGrid1->setModel(listModel_);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 4);
    DBGrid1->horizontalHeader()->setFont(bold(font()));
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->setColumnWidth(0, 217);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // The grid following the list (showListRow) lands on the list's own row, so it
                // never moves the list back.
                if (!current.isValid() || current.row() == dm_.qempleados.currentRow()) {
                    return;
                }
                ErrorReport::guard([&] { dm_.qempleados.setCurrentRow(current.row()); });
            });
}

void TEmpleados::buildToolbar() {
    Panel4 = new QFrame(Panel1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    const int width = this->width() - kLeftWidth;
    Panel4->setGeometry(kLeftWidth, 0, width, kToolbarHeight);

    int x = 0;
    auto button = [&](const QString& name, const QString& caption, QStyle::StandardPixmap icon) {
        auto* b = new CaptionIconButton(caption, style()->standardIcon(icon), Panel4);
        b->setObjectName(name);
        b->setGeometry(x, 0, kButtonWidth, kToolbarHeight);
        x += kButtonWidth;
        return b;
    };
    btenuevo = button(QStringLiteral("btenuevo"), QStringLiteral("Nuevo"), QStyle::SP_FileIcon);
    bteborrar = button(QStringLiteral("bteborrar"), QStringLiteral("Borrar"), QStyle::SP_TrashIcon);
    btemodificar = button(QStringLiteral("btemodificar"), QStringLiteral("Editar"),
                          QStyle::SP_FileDialogContentsView);
    bteguardar = button(QStringLiteral("bteguardar"), QStringLiteral("Guardar"),
                        QStyle::SP_DialogSaveButton);
    btecancelar = button(QStringLiteral("btecancelar"), QStringLiteral("Cancelar"),
                         QStyle::SP_DialogCancelButton);
    Button2 = button(QStringLiteral("Button2"), QStringLiteral("Tarjetas"),
                     QStyle::SP_FileDialogDetailedView);
    const int titleLeft = x;
    x = width - kButtonWidth;
    btesalir =
        button(QStringLiteral("btesalir"), QStringLiteral("Salir"), QStyle::SP_DialogCloseButton);

    Label2 = new QLabel(QStringLiteral("Empleados"), Panel4);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(bold(font(), true));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(titleLeft, 0, width - kButtonWidth - titleLeft, kToolbarHeight);
}

QLineEdit* TEmpleados::addField(const QString& objectName, const QString& label,
                                const QString& column, int row, int width) {
    auto* caption = new QLabel(label, Pempleadosdatos);
    caption->setObjectName(QStringLiteral("Label%1").arg(3 + row));
    const int y = 10 + row * kFieldPitch;
    caption->setGeometry(8, y + 3, kFieldLeft - 12, 17);
    auto* edit = new QLineEdit(Pempleadosdatos);
    edit->setObjectName(objectName);
    edit->setGeometry(kFieldLeft, y, width, 23);
    caption->setBuddy(edit);
    FieldBinding::bind(edit, dm_.trabajadores, column)->setCaption(label);
    return edit;
}

void TEmpleados::buildRecordPanel() {
    Pempleadosdatos = new QFrame(Panel1);
    Pempleadosdatos->setObjectName(QStringLiteral("Pempleadosdatos"));
    Pempleadosdatos->setGeometry(kLeftWidth, kToolbarHeight, kRecordWidth,
                                 height() - kToolbarHeight);
    Pempleadosdatos->setEnabled(false);
    // A record being browsed is there to be read: the disabled panel refuses input without
    // greying out its labels and values.
    QPalette readable = Pempleadosdatos->palette();
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Base}) {
        readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
    }
    Pempleadosdatos->setPalette(readable);

    struct FieldRow {
        QLineEdit** member;
        const char* name;
        const char* label;
        const char* column;
        Case input;
        int width;
    };
    const FieldRow fields[] = {
        {&DBEdit38, "DBEdit38", "Id", "id", Case::AsTyped, 60},
        {&DBEdit39, "DBEdit39", "Nif", "nif", Case::Upper, kWideField},
        {&DBEdit40, "DBEdit40", "Nombre", "NOMBRECORTO", Case::Upper, kWideField},
        {&DBEdit41, "DBEdit41", "Apellidos", "apellidos", Case::Upper, kWideField},
        {&DBEdit42, "DBEdit42", "N. completo", "nombre", Case::Upper, kWideField},
        {&DBEdit43, "DBEdit43", "Dirección", "direccion", Case::Upper, kWideField},
        {&DBEdit44, "DBEdit44", "Población", "poblacion", Case::Upper, kWideField},
        {&DBEdit45, "DBEdit45", "Código Postal", "cp", Case::Upper, kNarrowField},
        {&DBEdit46, "DBEdit46", "Provincia", "provincia", Case::Upper, kWideField},
        {&DBEdit47, "DBEdit47", "Teléfono 1", "telefono1", Case::Upper, kNarrowField + 30},
        {&DBEdit48, "DBEdit48", "Teléfono 2", "telefono2", Case::Upper, kNarrowField + 30},
        {&DBEdit49, "DBEdit49", "Grupo", "activo", Case::Upper, 60},
        {&DBEdit50, "DBEdit50", "Observaciones", "observaciones", Case::Lower, kWideField},
    };
    int row = 0;
    for (const FieldRow& s : fields) {
        QLineEdit* edit = addField(QString::fromLatin1(s.name), QString::fromUtf8(s.label),
                                   QString::fromLatin1(s.column), row++, s.width);
        if (s.input != Case::AsTyped) {
            edit->setValidator(new CaseValidator(
                s.input == Case::Upper ? CaseValidator::Case::Upper : CaseValidator::Case::Lower,
                edit));
        }
        *s.member = edit;
    }
    DBEdit42->setEnabled(false);  // the full name is composed, never typed
    QPalette composed = DBEdit42->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::Base}) {
        composed.setColor(QPalette::Disabled, role,
                          style()->standardPalette().color(QPalette::Disabled, role));
    }
    DBEdit42->setPalette(composed);

    DBRadioGroup1 = new QGroupBox(QStringLiteral("¿Empleado Actual?"), Pempleadosdatos);
    DBRadioGroup1->setObjectName(QStringLiteral("DBRadioGroup1"));
    DBRadioGroup1->setGeometry(8, 10 + row * kFieldPitch, kFieldLeft + kWideField - 8, 46);
    rbsi = new QRadioButton(QStringLiteral("SI"), DBRadioGroup1);
    rbsi->setObjectName(QStringLiteral("rbsi"));
    rbno = new QRadioButton(QStringLiteral("NO"), DBRadioGroup1);
    rbno->setObjectName(QStringLiteral("rbno"));
    auto* columns = new QHBoxLayout(DBRadioGroup1);
    columns->setContentsMargins(8, 2, 8, 4);
    columns->addWidget(rbsi, 1);
    columns->addWidget(rbno, 1);
    grupoactivo = new QButtonGroup(DBRadioGroup1);
    grupoactivo->setObjectName(QStringLiteral("grupoactivo"));
    grupoactivo->addButton(rbsi, 0);
    grupoactivo->addButton(rbno, 1);
    FieldBinding::bind(grupoactivo, dm_.trabajadores, QStringLiteral("activo"), {1, 0});
}

// --- Showing and closing ----------------------------------------------------------------------

void TEmpleados::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || shown_) {
        return;
    }
    shown_ = true;
    centreOnScreen(*this);
    FormShow();
}

void TEmpleados::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A minimised window is still shown; only a real close runs the close steps.
    if (event->spontaneous() || !shown_) {
        return;
    }
    shown_ = false;
    FormClose();
}

void TEmpleados::FormShow() {
    if (temporizador_) {
        temporizador_->stop();
    }
    // The window always opens browsing, and a browsing window shows its photo panel, even
    // when it was closed while a record was being edited.
    peimagenes->show();
    ErrorReport::guard([this] {
        dm_.trabajadores.setMasterLinkActive(true);
        dm_.trabajadores.open();
        dm_.qempleados.open();
    });
}

void TEmpleados::FormClose() {
    if (temporizador_) {
        temporizador_->start();
    }
    // The camera never runs behind a closed window; a capture mode without it would have
    // nothing to capture, so the panel goes back to choosing.
    fotos->finish();
    ErrorReport::guard([this] {
        dm_.trabajadores.close();  // an unsaved change is dropped
        dm_.qempleados.close();    // and the list statement is rebuilt for the next showing
    });
}

void TEmpleados::btesalirClick() {
    close();
}

// --- List -------------------------------------------------------------------------------------

void TEmpleados::qempleadosAfterClose() {
    dm_.qempleados.setSql(workers::listStatement(dm_.dbcontrol, dm_.filtro, dm_.vertodos));
}

bool TEmpleados::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window (a message box) taking the focus for a while is neither entering nor
        // leaving a field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const bool in = event->type() == QEvent::FocusIn;
            if (watched == tbuscarempleados) {
                in ? tbuscarempleadosEnter() : tbuscarempleadosExit();
            } else if (watched == DBEdit40 && !in) {
                DBEdit40Exit();
            } else if (watched == DBEdit41 && !in) {
                DBEdit41Exit();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEmpleados::tbuscarempleadosEnter() {
    tbuscarempleados->clear();
}

void TEmpleados::tbuscarempleadosExit() {
    ErrorReport::guard([this] {
        dm_.filtro = workers::searchFilter(tbuscarempleados->text());
        dm_.vertodos = todosempleados->isChecked() ? 1 : 0;
        dm_.qempleados.close();
        dm_.qempleados.open();
    });
}

void TEmpleados::todosempleadosClick() {
    ErrorReport::guard([this] {
        const bool checked = todosempleados->isChecked();
        dm_.vertodos = checked ? 1 : 0;
        dm_.qempleados.close();
        dm_.qempleados.setSql(workers::verTodosStatement(checked));
        dm_.qempleados.open();
    });
}

void TEmpleados::showListRow(int row) {
    if (row >= 0 && row < listModel_->rowCount()) {
        const QModelIndex index = listModel_->index(row, 0);
        DBGrid1->setCurrentIndex(index);
        DBGrid1->scrollTo(index);
    } else {
        DBGrid1->setCurrentIndex(QModelIndex());
    }
}

void TEmpleados::dsqempleadosDataChange() {
    // The photo box follows the list's current worker: its photo file, or nothing when the
    // list has no row (its value is null then).
    fotos->showPhotoOf(dm_.qempleados.value(QStringLiteral("id")));
}

// --- Record -----------------------------------------------------------------------------------

void TEmpleados::btenuevoClick() {
    ErrorReport::guard([this] {
        Dataset& record = dm_.trabajadores;
        const int number = workers::proposeWorkerNumber(qaux);
        record.setMasterLinkActive(false);
        record.append();
        record.setValue(QStringLiteral("ide"), 1);
        record.setValue(QStringLiteral("empresa"), 1);
        record.setValue(QStringLiteral("ID"), number);
        record.setValue(QStringLiteral("PAGARPORBANCO"), 0);
        // A new worker is a current one until the user says otherwise.
        record.setValue(QStringLiteral("activo"), 1);
        Pempleadosdatos->setEnabled(true);
        peimagenes->hide();
        DBEdit39->setFocus();
    });
}

void TEmpleados::btemodificarClick() {
    ErrorReport::guard([this] {
        if (!dm_.trabajadores.isOpen() || dm_.trabajadores.isEmpty()) {
            throw UserError(QStringLiteral("No hay ningún trabajador seleccionado que modificar."));
        }
        dm_.trabajadores.edit();
        Pempleadosdatos->setEnabled(true);
        peimagenes->hide();
        DBEdit39->setFocus();
    });
}

void TEmpleados::bteborrarClick() {
    ErrorReport::guard([this] {
        if (!dm_.trabajadores.isOpen() || dm_.trabajadores.isEmpty()) {
            throw UserError(QStringLiteral("No hay ningún trabajador seleccionado que borrar."));
        }
        dm_.trabajadores.remove();
    });
}

void TEmpleados::bteguardarClick() {
    ErrorReport::guard([this] {
        Dataset& record = dm_.trabajadores;
        if (!dm_.qempleados.isOpen()) {
            dm_.qempleados.open();
        }
        workers::checkBeforeSave(record);
        try {
            record.post();
        } catch (const DatabaseError& e) {
            if (e.code() == kDuplicateKey) {
                throw UserError(
                    workers::duplicateNumberMessage(record.value(QStringLiteral("ID"))));
            }
            throw;
        }
        Pempleadosdatos->setEnabled(false);
        peimagenes->show();
    });
}

void TEmpleados::btecancelarClick() {
    ErrorReport::guard([this] {
        dm_.trabajadores.cancel();
        dm_.trabajadores.setMasterLinkActive(true);
        Pempleadosdatos->setEnabled(false);
        peimagenes->show();
    });
}

void TEmpleados::Button2Click() {
    ErrorReport::guard([this] {
        // The record query holds the selected worker's row: one worker, one band of cards.
        // While a worker is being entered or changed the query is untied and holds everyone:
        // the cards are then those of the worker on screen, not of the whole company.
        informedb.setSource(&dm_.trabajadores);
        informedb.setCurrentRowOnly(dm_.trabajadores.isEditing());
        rTarjeta.registerDataset(&informedb);
        rTarjeta.clear();
        // Photos are named relative to the installation folder (imagenes/<ID>.bmp).
        rTarjeta.setBaseDir(Paths::home());
        rTarjeta.loadFromFile(Paths::reportsDir() + QStringLiteral("tarjeta2.fr3"));
        rTarjeta.showReport(this);
    });
}

void TEmpleados::DBEdit40Exit() {
    recomposeFullName();
}

void TEmpleados::DBEdit41Exit() {
    recomposeFullName();
}

void TEmpleados::recomposeFullName() {
    Dataset& record = dm_.trabajadores;
    if (!record.isEditing()) {
        return;
    }
    ErrorReport::guard([&record] {
        record.setValue(QStringLiteral("nombre"),
                        workers::fullName(record.value(QStringLiteral("APELLIDOS")).toString(),
                                          record.value(QStringLiteral("NOMBRECORTO")).toString()));
    });
}

void TEmpleados::trabajadoresAfterPost() {
    Dataset& list = dm_.qempleados;
    Dataset& record = dm_.trabajadores;
    const QString number = record.value(QStringLiteral("ID")).toString();
    list.refresh();
    // A worker that the list's filter leaves out: the list keeps the row the refresh left.
    list.locate({QStringLiteral("id")}, {number});
    record.close();
    record.setMasterLinkActive(true);
    record.open();
}

void TEmpleados::trabajadoresAfterDelete() {
    dm_.qempleados.refresh();
}

void TEmpleados::dsempleadosStateChange(Dataset::State state) {
    const bool on = state == Dataset::State::Edit || state == Dataset::State::Insert;
    btenuevo->setEnabled(!on);
    bteborrar->setEnabled(!on);
    btemodificar->setEnabled(!on);
    bteguardar->setEnabled(on);
    btecancelar->setEnabled(on);
    Pempleadosdatos->setEnabled(on);
    // Moving or re-reading the list would store or drop the record being edited behind the
    // user's back; the list waits until "Guardar" or "Cancelar".
    Panel2->setEnabled(!on);
}

}  // namespace horalia
