#include "ticados.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "casevalidator.h"
#include "clock.h"
#include "connection.h"
#include "datasetmodel.h"
#include "errorreport.h"
#include "errors.h"
#include "expression.h"
#include "libro.h"
#include "paths.h"
#include "placement.h"
#include "rejilla.h"

namespace horalia {

namespace {
const QColor kHoliday(255, 170, 170);
const QColor kPunched(192, 220, 192);

// The search box turns every typed letter into a capital.
// The first picture of the window's image list: a red round sign with a horizontal bar.
QIcon deleteIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(128, 0, 0), 1));
    p.setBrush(QColor(220, 20, 20));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.fillRect(QRectF(4, 7, 8, 2.5), Qt::white);
    return QIcon(pixmap);
}

// The second: a small green spreadsheet.
QIcon spreadsheetIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(QRect(1, 1, 14, 14), Qt::white);
    p.fillRect(QRect(1, 1, 14, 4), QColor(33, 115, 70));
    p.setPen(QColor(33, 115, 70));
    p.drawRect(QRect(1, 1, 14, 14));
    for (int y = 8; y < 15; y += 3) {
        p.drawLine(1, y, 15, y);
    }
    p.drawLine(6, 5, 6, 15);
    p.drawLine(10, 5, 10, 15);
    return QIcon(pixmap);
}

// Tahoma, the station's face; where it is missing, a condensed face keeps the narrow columns
// (35 pixels for a time) readable instead of eliding them.
QFont tahoma(int points, bool bold = false) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(points);
    font.setBold(bold);
    if (!QFontInfo(font).family().startsWith(QLatin1String("Tahoma"), Qt::CaseInsensitive)) {
        font.setStretch(QFont::Condensed);
    }
    return font;
}

QLabel* label(const QString& text, const QString& name, QWidget* parent, const QRect& at) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(at);
    return l;
}

// The indicator of a long step of the window. It has no cancel button, as neither step can stop
// halfway (a bulk run stores each row as it goes). It stays on its last value until hidden.
QProgressDialog* progressDialog(QWidget* window, const QString& name, const QString& text,
                                int minimumDuration) {
    auto* dialog = new QProgressDialog(window);
    dialog->setObjectName(name);
    dialog->setWindowTitle(window->windowTitle());
    dialog->setLabelText(text);
    dialog->setCancelButton(nullptr);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setMinimumDuration(minimumDuration);
    return dialog;
}

// Bounds a run keeps to and what it leaves alone, under the adjustment panel and on its button.
const char* kAdjustmentRule =
    "Las horas vacías no se modifican. El resultado queda entre 00:00:00 y 23:59:59.";
}  // namespace

Tticados::Tticados(Connection& connection, QWidget* parent)
    : QDialog(parent),
      qempleados(connection, QStringLiteral("qempleados"), this),
      qticados(connection, QStringLiteral("qticados"), this),
      qtotalhoras(connection, QStringLiteral("qtotalhoras"), this),
      qtotales(connection, QStringLiteral("qtotales"), this),
      connection_(connection) {
    setObjectName(QStringLiteral("ticados"));
    setWindowTitle(QStringLiteral("Control horario"));
    setModal(true);
    resize(982, 561);
    setFont(tahoma(8));

    // The three queries of the period follow the worker selected in the list.
    qticados.setSql(jornadas::initialRowsSql());
    qticados.setFields(jornadas::rowsFields());
    qticados.setUpdateTable(QStringLiteral("ticadoscompleto"), {QStringLiteral("id")});
    qticados.setMasterLink(&qempleados, {QStringLiteral("id")}, {QStringLiteral("idt")});
    qtotalhoras.setSql(jornadas::initialTotalHoursSql());
    qtotalhoras.setFields(jornadas::totalHoursFields());
    qtotalhoras.setMasterLink(&qempleados, {QStringLiteral("id")}, {QStringLiteral("idt")});
    qtotales.setSql(jornadas::initialTotalsSql());
    qtotales.setFields(jornadas::totalsFields());
    qtotales.setMasterLink(&qempleados, {QStringLiteral("id")}, {QStringLiteral("idt")});

    connect(&qempleados, &Dataset::beforeOpen, this, &Tticados::qempleadosBeforeOpen);
    connect(&qticados, &Dataset::afterPost, this, &Tticados::qticadosAfterPost);
    connect(&qtotalhoras, &Dataset::dataChanged, this, &Tticados::showTotalHours);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    buildLeftPanel();
    outer->addWidget(Panel1);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    buildTopPanel();
    rightLayout->addWidget(Panel3);
    auto* gridArea = new QWidget(right);
    auto* gridLayout = new QHBoxLayout(gridArea);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    buildGrids();
    auto* grids = new QWidget(gridArea);
    auto* stack = new QVBoxLayout(grids);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    for (QTableView* grid : {gridnormal, gridampliado, gridtotales}) {
        grid->setParent(grids);
        stack->addWidget(grid);
    }
    gridLayout->addWidget(grids, 1);
    Panel6->setParent(gridArea);
    gridLayout->addWidget(Panel6);
    rightLayout->addWidget(gridArea, 1);
    outer->addWidget(right, 1);

    Panel6->hide();
    pmodificaciones->hide();
    showGrids();
}

Tticados::~Tticados() {
    // The grids and their models refer to the datasets, which are gone before the dialog part
    // hides the window: an editor left open would then write into a dataset that no longer
    // exists. Hidden now, the window closes its editors into live datasets.
    hide();
    for (QTableView* grid : {DBGrid1, gridnormal, gridampliado, gridtotales}) {
        delete grid;
    }
    for (DatasetModel* model : {dsqempleados, dsqticadosnormal, dsqticadosampliado, dsqtotales}) {
        delete model;
    }
}

void Tticados::buildLeftPanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(241);
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(96);
    Panel2->setFrameShape(QFrame::StyledPanel);
    label(QStringLiteral("Grupo"), QStringLiteral("Label1"), Panel2, QRect(10, 6, 60, 14));
    tgrupo = new QComboBox(Panel2);
    tgrupo->setObjectName(QStringLiteral("tgrupo"));
    tgrupo->addItem(QStringLiteral("Todos"));
    for (int g = 1; g <= 10; ++g) {
        tgrupo->addItem(QString::number(g));
    }
    tgrupo->setMaxVisibleItems(15);
    tgrupo->setCurrentIndex(0);
    tgrupo->setGeometry(10, 21, 110, 22);
    label(QStringLiteral("Empleado"), QStringLiteral("Label2"), Panel2, QRect(10, 49, 60, 14));
    buscarempleado = new QLineEdit(Panel2);
    buscarempleado->setObjectName(QStringLiteral("buscarempleado"));
    buscarempleado->setValidator(new CaseValidator(CaseValidator::Case::Upper, buscarempleado));
    buscarempleado->setGeometry(10, 64, 221, 22);
    layout->addWidget(Panel2);

    DBGrid1 = new QTableView(Panel1);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    dsqempleados = new DatasetModel(
        qempleados,
        {{QStringLiteral("id"), QStringLiteral("Id"), Qt::AlignRight | Qt::AlignVCenter,
          Qt::AlignLeft | Qt::AlignVCenter, 30, true},
         {QStringLiteral("nombre"), QStringLiteral("Nombre"), Qt::AlignLeft | Qt::AlignVCenter,
          Qt::AlignLeft | Qt::AlignVCenter, 174, true}},
        this);
    dsqempleados->setObjectName(QStringLiteral("dsqempleados"));
    dsqempleados->setReadOnly(true);
    setupGrid(DBGrid1, dsqempleados);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(DBGrid1, 1);

    connect(tgrupo, &QComboBox::currentIndexChanged, this, &Tticados::tgrupoChange);
    connect(buscarempleado, &QLineEdit::textChanged, this, &Tticados::buscarempleadoChange);
    buscarempleado->installEventFilter(this);
}

void Tticados::buildTopPanel() {
    Panel3 = new QFrame(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(112);
    Panel3->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(Panel3);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* area = new QWidget(Panel3);
    area->setObjectName(QStringLiteral("Panel4"));
    layout->addWidget(area, 1);

    label(QStringLiteral("Fecha Inicial"), QStringLiteral("Label3"), area, QRect(10, 6, 100, 14));
    fdesde = new QDateEdit(area);
    fdesde->setObjectName(QStringLiteral("fdesde"));
    label(QStringLiteral("Fecha Final"), QStringLiteral("Label4"), area, QRect(122, 6, 100, 14));
    fhasta = new QDateEdit(area);
    fhasta->setObjectName(QStringLiteral("fhasta"));
    int x = 10;
    for (QDateEdit* picker : {fdesde, fhasta}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        picker->setDate(Clock::today());
        picker->setGeometry(x, 21, 104, 22);
        x += 112;
        connect(picker, &QDateEdit::dateChanged, this, &Tticados::fdesdeChange);
    }
    fdesde->installEventFilter(this);

    const QFont big = tahoma(12, true);
    QLabel* horas = label(QStringLiteral("Horas del periodo:"), QStringLiteral("Label5"), area,
                          QRect(10, 52, 160, 22));
    horas->setFont(big);
    horas->adjustSize();
    DBText1 = label(QString(), QStringLiteral("DBText1"), area,
                    QRect(horas->geometry().right() + 6, 52, 90, horas->height()));
    DBText1->setFont(big);

    Button2 = new QPushButton(QStringLiteral("Imprimir"), area);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(240, 6, 80, 25);
    btJexcel = new QPushButton(spreadsheetIcon(), QStringLiteral("A Excel"), area);
    btJexcel->setObjectName(QStringLiteral("btJexcel"));
    btJexcel->setGeometry(240, 34, 80, 25);
    connect(Button2, &QPushButton::clicked, this, &Tticados::Button2Click);
    connect(btJexcel, &QPushButton::clicked, this, &Tticados::btJexcelClick);

    CheckBox1 = new QCheckBox(QStringLiteral("Ver todos los trabajadores"), area);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setLayoutDirection(Qt::RightToLeft);  // caption to the left of the box
    CheckBox1->setGeometry(34, 86, 168, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("Ver acumulados"), area);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setLayoutDirection(Qt::RightToLeft);
    CheckBox2->setGeometry(210, 86, 110, 20);
    connect(CheckBox1, &QCheckBox::toggled, this, &Tticados::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &Tticados::CheckBox2Click);

    // Nothing tells it apart from the panel: it is there for those who know.
    Panel5 = new QFrame(area);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFrameShape(QFrame::NoFrame);
    Panel5->setGeometry(0, 112 - 23, 25, 23);
    Panel5->installEventFilter(this);

    buildAdjustmentPanel();
    layout->addWidget(pmodificaciones);
}

void Tticados::buildAdjustmentPanel() {
    pmodificaciones = new QFrame(Panel3);
    pmodificaciones->setObjectName(QStringLiteral("pmodificaciones"));
    pmodificaciones->setFixedWidth(369);
    pmodificaciones->setFrameShape(QFrame::StyledPanel);
    label(QStringLiteral("Aumentar/disminuir"), QStringLiteral("Label6"), pmodificaciones,
          QRect(8, 9, 120, 14));
    lad = new QComboBox(pmodificaciones);
    lad->setObjectName(QStringLiteral("lad"));
    lad->addItems({QStringLiteral("Aumentar"), QStringLiteral("Disminuir")});
    lad->setCurrentIndex(1);
    lad->setGeometry(130, 5, 130, 22);
    label(QStringLiteral("Entrada/Salida"), QStringLiteral("Label7"), pmodificaciones,
          QRect(8, 35, 120, 14));
    lentsal = new QComboBox(pmodificaciones);
    lentsal->setObjectName(QStringLiteral("lentsal"));
    lentsal->addItems({QStringLiteral("Entrada Mañana"), QStringLiteral("Salida Mañana"),
                       QStringLiteral("Entrada Tarde"), QStringLiteral("Salida Tarde")});
    lentsal->setCurrentIndex(3);
    lentsal->setGeometry(130, 31, 130, 22);
    label(QStringLiteral("Cantidad(minutos)"), QStringLiteral("Label8"), pmodificaciones,
          QRect(8, 61, 120, 14));
    Edit1 = new QLineEdit(QStringLiteral("0"), pmodificaciones);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(130, 57, 60, 22);
    Button3 = new QPushButton(QStringLiteral("Actualizar"), pmodificaciones);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(272, 30, 88, 26);
    const QString rule = QString::fromUtf8(kAdjustmentRule);
    Button3->setToolTip(rule);
    Edit1->setToolTip(rule);
    lnota = label(rule, QStringLiteral("lnota"), pmodificaciones, QRect(8, 83, 355, 26));
    lnota->setWordWrap(true);
    QFont small = lnota->font();
    small.setPointSize(7);
    lnota->setFont(small);
    lnota->setStyleSheet(QStringLiteral("color: #404040"));
    connect(Button3, &QPushButton::clicked, this, &Tticados::Button3Click);
}

void Tticados::buildGrids() {
    enum Align { Default, Centred };
    const auto column = [this](const QString& field, const QString& title, int width, bool readOnly,
                               Align align) {
        DatasetModel::Column c;
        c.field = field;
        c.title = title;
        c.width = width;
        c.readOnly = readOnly;
        const FieldKind kind = qticados.field(field).kind;
        const bool number = kind == FieldKind::Integer || kind == FieldKind::Float;
        if (align == Centred) {
            c.alignment = c.titleAlignment = Qt::AlignCenter;
        } else {
            c.alignment = (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        }
        return c;
    };

    gridnormal = new QTableView(this);
    gridnormal->setObjectName(QStringLiteral("gridnormal"));
    dsqticadosnormal = new DatasetModel(
        qticados,
        {column(QStringLiteral("fecha"), QStringLiteral("Fecha"), 50, true, Centred),
         column(QStringLiteral("TRABAJADOR"), QStringLiteral("Trabajador/a"), 162, false, Default),
         column(QStringLiteral("entradam"), QStringLiteral("Ent. M"), 35, true, Centred),
         column(QStringLiteral("salidam"), QStringLiteral("Sal. M"), 35, true, Centred),
         column(QStringLiteral("horasm"), QStringLiteral("Hor.M"), 35, true, Default),
         column(QStringLiteral("entradat"), QStringLiteral("Ent. T"), 35, true, Default),
         column(QStringLiteral("salidat"), QStringLiteral("Sal. T"), 35, true, Default),
         column(QStringLiteral("horast"), QStringLiteral("Hor.T"), 35, true, Default),
         column(QStringLiteral("num_horas"), QStringLiteral("Total H."), 42, true, Default),
         column(QStringLiteral("observaciones"), QStringLiteral("Observaciones"), 211, false,
                Default)},
        this);
    dsqticadosnormal->setObjectName(QStringLiteral("dsqticados"));
    setupGrid(gridnormal, dsqticadosnormal);

    gridampliado = new QTableView(this);
    gridampliado->setObjectName(QStringLiteral("gridampliado"));
    dsqticadosampliado = new DatasetModel(
        qticados,
        {column(QStringLiteral("fecha"), QStringLiteral("Fecha"), 50, false, Centred),
         column(QStringLiteral("TRABAJADOR"), QStringLiteral("Trabajador/a"), 100, false, Default),
         column(QStringLiteral("entradam"), QStringLiteral("Ent. M"), 35, false, Centred),
         column(QStringLiteral("salidam"), QStringLiteral("Sal. M"), 35, false, Centred),
         column(QStringLiteral("salidam_m"), QStringLiteral("Sal. M"), 35, true, Default),
         column(QStringLiteral("horasm"), QStringLiteral("Hor.M"), 35, false, Default),
         column(QStringLiteral("horasm_m"), QStringLiteral("Hor.M"), 35, true, Default),
         column(QStringLiteral("entradat"), QStringLiteral("Ent. T"), 35, false, Default),
         column(QStringLiteral("salidat"), QStringLiteral("Sal. T"), 35, false, Default),
         column(QStringLiteral("salidat_m"), QStringLiteral("Sal.T"), 35, true, Default),
         column(QStringLiteral("horast"), QStringLiteral("Hor.T"), 35, false, Default),
         column(QStringLiteral("horast_m"), QStringLiteral("Hor.T"), 35, true, Default),
         column(QStringLiteral("num_horas"), QStringLiteral("Tot. H"), 35, false, Default),
         column(QStringLiteral("num_horas_m"), QStringLiteral("Tot.H"), 35, true, Default),
         column(QStringLiteral("observaciones"), QStringLiteral("Observaciones"), 100, false,
                Default)},
        this);
    dsqticadosampliado->setObjectName(QStringLiteral("dsqticadosampliado"));
    // gridampliadoDrawColumnCell: a holiday row is painted whole, over the punched columns'
    // colour and over the selection; the punched columns keep their red text.
    dsqticadosampliado->setStyler([this](int row, int column, int role) -> QVariant {
        const bool punched =
            dsqticadosampliado->columns().at(column).field.endsWith(QLatin1String("_m"));
        if (role == Qt::BackgroundRole) {
            if (cellIsHoliday(row)) {
                return QBrush(kHoliday);
            }
            return punched ? QVariant(QBrush(kPunched)) : QVariant();
        }
        if (role == Qt::ForegroundRole && punched) {
            return QBrush(Qt::red);
        }
        return {};
    });
    CellDelegate* ampliado = setupGrid(gridampliado, dsqticadosampliado);
    ampliado->setOverSelection([this](int row) { return cellIsHoliday(row); });

    gridtotales = new QTableView(this);
    gridtotales->setObjectName(QStringLiteral("gridtotales"));
    DatasetModel::Column idt;
    idt.field = QStringLiteral("idt");
    idt.title = QStringLiteral("Id");
    idt.alignment = Qt::AlignRight | Qt::AlignVCenter;
    DatasetModel::Column trabajador;
    trabajador.field = QStringLiteral("trabajador");
    trabajador.title = QStringLiteral("Trabajador/a");
    trabajador.width = 330;
    DatasetModel::Column horas;
    horas.field = QStringLiteral("num_horas");
    horas.title = QStringLiteral("Total H.");
    horas.width = 282;
    horas.alignment = horas.titleAlignment = Qt::AlignCenter;
    dsqtotales = new DatasetModel(qtotales, {idt, trabajador, horas}, this);
    dsqtotales->setObjectName(QStringLiteral("dsqtotales"));
    dsqtotales->setReadOnly(true);
    setupGrid(gridtotales, dsqtotales);
    gridtotales->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Panel6 = new QFrame(this);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFixedWidth(23);
    Button1 = new QToolButton(Panel6);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setIcon(deleteIcon());
    Button1->setIconSize(QSize(16, 16));
    Button1->setAutoRaise(false);
    Button1->setGeometry(0, 0, 23, 22);
    Button1->setToolTip(QStringLiteral("Borrar la fila seleccionada"));
    connect(Button1, &QToolButton::clicked, this, &Tticados::Button1Click);
}

bool Tticados::cellIsHoliday(int row) const {
    const int f = qticados.fieldIndex(QStringLiteral("festivo"));
    return qticados.value(row, f).toInt() == 1;
}

// Two grids never share the place: while the totals view is on, it is the one shown, and the
// row grid that the other views chose waits behind it until "Ver acumulados" is cleared.
void Tticados::showGrids() {
    gridtotales->setVisible(totalesShown_);
    gridnormal->setVisible(normalShown_ && !totalesShown_);
    gridampliado->setVisible(ampliadoShown_ && !normalShown_ && !totalesShown_);
    // The grid takes the whole place now, not at the next pass of the event loop.
    if (QLayout* stack =
            gridtotales->parentWidget() ? gridtotales->parentWidget()->layout() : nullptr) {
        stack->activate();
    }
}

void Tticados::showTotalHours() {
    const bool hasRow = qtotalhoras.isOpen() && qtotalhoras.currentRow() >= 0;
    DBText1->setText(hasRow ? displayText(qtotalhoras.field(QStringLiteral("totalhoras")),
                                          qtotalhoras.value(QStringLiteral("totalhoras")))
                            : QString());
}

// --- Showing and closing -----------------------------------------------------------------------

void Tticados::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;  // the window coming back from another one is no new showing
    }
    centreOnScreen(*this);
    FormShow();
}

void Tticados::FormShow() {
    ampliadoShown_ = false;
    Panel6->hide();
    pmodificaciones->hide();
    normalShown_ = true;
    showGrids();
    desdeactualizar = 0;
    ErrorReport::guard([this] {
        qticados.open();
        qtotalhoras.open();
        qempleados.open();
        {
            // Setting the pickers from here is no change of the user's: no refresh.
            const QSignalBlocker desde(fdesde);
            const QSignalBlocker hasta(fhasta);
            fdesde->setDate(Clock::today().addDays(-1));
            fhasta->setDate(Clock::today());
        }
        // The focus passes through the start date to the group selector; leaving the start
        // date applies the new period. The window may not be active yet, so the leaving is
        // run here rather than left to a focus event that might not come.
        showing_ = true;
        fdesde->setFocus();
        tgrupo->setFocus();
        showing_ = false;
        periodRefresh(jornadas::TotalsOrder::ById);
    });
}

void Tticados::done(int result) {
    FormClose();
    QDialog::done(result);
}

void Tticados::FormClose() {
    ErrorReport::guard([this] {
        qticados.close();
        qtotalhoras.close();
        qempleados.close();
    });
}

// --- Worker list -------------------------------------------------------------------------------

void Tticados::qempleadosBeforeOpen() {
    qempleados.setSql(jornadas::workerListSql(connection_, filtrotrabajadores, grupo));
}

void Tticados::tgrupoChange() {
    ErrorReport::guard([this] {
        grupo = tgrupo->currentIndex();
        qempleados.close();
        qempleados.open();
    });
}

void Tticados::buscarempleadoChange() {
    ErrorReport::guard([this] {
        const QString tdesde = jornadas::dateText(fdesde->date());
        const QString thasta = jornadas::dateText(fhasta->date());
        qticados.close();
        qticados.setSql(jornadas::rowsSql(tdesde, thasta));
        qtotalhoras.close();
        qtotalhoras.setSql(jornadas::totalHoursSql(tdesde, thasta));
        filtrotrabajadores = QLatin1Char('%') + buscarempleado->text() + QLatin1Char('%');
        qempleados.close();
        qempleados.open();
        qtotalhoras.open();
        qticados.open();
    });
}

void Tticados::buscarempleadoEnter() {
    // Only a change runs the search: entering an empty box does nothing.
    buscarempleado->setText(QString());
}

// --- Period ------------------------------------------------------------------------------------

void Tticados::periodRefresh(jornadas::TotalsOrder order) {
    const QString tdesde = jornadas::dateText(fdesde->date());
    const QString thasta = jornadas::dateText(fhasta->date());
    qticados.close();
    qticados.setSql(jornadas::rowsSql(tdesde, thasta));
    qticados.open();
    qtotalhoras.close();
    qtotalhoras.setSql(jornadas::totalHoursSql(tdesde, thasta));
    qtotalhoras.open();
    qtotales.close();
    qtotales.setSql(jornadas::totalsSql(tdesde, thasta, order));
    qtotales.open();
}

void Tticados::fdesdeChange() {
    ErrorReport::guard([this] { periodRefresh(jornadas::TotalsOrder::ByName); });
}

void Tticados::fdesdeExit() {
    ErrorReport::guard([this] { periodRefresh(jornadas::TotalsOrder::ById); });
}

// --- Tick boxes and views -----------------------------------------------------------------------

void Tticados::tie(bool tied) {
    qticados.close();
    qtotalhoras.close();
    qticados.setMasterLinkActive(tied);
    qticados.open();
    qtotalhoras.setMasterLinkActive(tied);
    qtotalhoras.open();
    qtotales.setMasterLinkActive(tied);
    qtotales.open();
}

void Tticados::CheckBox1Click() {
    ErrorReport::guard([this] { tie(!CheckBox1->isChecked()); });
}

void Tticados::CheckBox2Click() {
    ErrorReport::guard([this] {
        tie(!CheckBox1->isChecked());
        if (CheckBox2->isChecked()) {
            totalesShown_ = true;
            normalShown_ = false;
            ampliadoShown_ = false;
            const QLocale locale;
            dsqtotales->setColumnTitle(2,
                                       QStringLiteral("Horas desde el ") +
                                           locale.toString(fdesde->date(), QLocale::ShortFormat) +
                                           QStringLiteral(" hasta el ") +
                                           locale.toString(fhasta->date(), QLocale::ShortFormat));
        } else {
            totalesShown_ = false;
            normalShown_ = true;
            ampliadoShown_ = false;
        }
        showGrids();
    });
}

void Tticados::Panel5Click() {
    // The switch looks only at the normal grid.
    if (normalShown_) {
        ampliadoShown_ = true;
        Panel6->show();
        normalShown_ = false;
        pmodificaciones->show();
    } else {
        ampliadoShown_ = false;
        Panel6->hide();
        normalShown_ = true;
        pmodificaciones->hide();
    }
    showGrids();
}

// --- Rows --------------------------------------------------------------------------------------

void Tticados::qticadosAfterPost() {
    // During a bulk run the rows and the totals are read once, at its end.
    if (desdeactualizar != 0) {
        return;
    }
    qticados.refresh();
    if (qtotalhoras.isOpen()) {
        qtotalhoras.refresh();
    }
}

void Tticados::Button1Click() {
    ErrorReport::guard([this] {
        if (!qticados.isOpen() || qticados.isEmpty()) {
            throw UserError(QStringLiteral("No hay ninguna fila de horario que borrar."));
        }
        qticados.remove();
    });
}

void Tticados::Button3Click() {
    const ajuste::Request request{lad->currentIndex(), lentsal->currentIndex(), Edit1->text()};
    const int total = qticados.recordCount();
    const bool showProgress = total >= kProgressFrom;
    if (showProgress) {
        if (!progress_) {
            progress_ =
                progressDialog(this, QStringLiteral("progreso"),
                               QStringLiteral("Actualizando las horas de las filas..."), 300);
        }
        progress_->setRange(0, total);
        progress_->setValue(0);
    }
    lastRun = {};
    // The grids show the row being walked each time the window is drawn, not row by row in
    // between, when nobody can see them.
    QList<GridLink*> links;
    for (QTableView* grid : {gridnormal, gridampliado}) {
        if (auto* link = grid->findChild<GridLink*>(QString(), Qt::FindDirectChildrenOnly)) {
            link->setFollowing(false);
            links << link;
        }
    }
    QElapsedTimer sinceDrawn;
    sinceDrawn.start();
    ErrorReport::guard([&] {
        lastRun =
            ajuste::run(qticados, &qtotalhoras, request, desdeactualizar, [&](int done, int all) {
                // Each step of the bar lets the window draw itself again, which costs more
                // than many rows: a few steps a second.
                if (showProgress && (sinceDrawn.elapsed() >= 250 || done == all)) {
                    for (GridLink* link : std::as_const(links)) {
                        link->sync();
                    }
                    progress_->setValue(done);
                    sinceDrawn.restart();
                }
            });
    });
    for (GridLink* link : std::as_const(links)) {
        link->setFollowing(true);
    }
    if (progress_) {
        progress_->hide();
    }
}

void Tticados::Button2Click() {
    using reports::Expression;
    // The period as the pickers hold it, in the user's short date format.
    const QLocale locale;
    const QString desde = Expression::quoted(QStringLiteral("Desde: ") +
                                             locale.toString(fdesde->date(), QLocale::ShortFormat));
    const QString hasta = Expression::quoted(QStringLiteral("Hasta: ") +
                                             locale.toString(fhasta->date(), QLocale::ShortFormat));
    rTicados.registerDataset(&ticadosdb);
    rTicados.registerDataset(&ticados2);
    rTicados.setBaseDir(Paths::home());
    ticados2.setSource(&qtotales);
    // One guard for the whole run: a failure in the first report leaves the second unshown.
    ErrorReport::guard([&] {
        ticadosdb.setSource(&qticados);
        rTicados.clear();
        rTicados.loadFromFile(Paths::reportsDir() + QStringLiteral("controlhorario.fr3"));
        rTicados.setVariable(QStringLiteral("tdesde"), desde);
        rTicados.setVariable(QStringLiteral("thasta"), hasta);
        rTicados.setFileName(QStringLiteral("Control horario ") +
                             qticados.value(QStringLiteral("TRABAJADOR")).toString());
        rTicados.showReport(this);

        ticadosdb.setSource(&qtotales);
        rTicados.clear();
        rTicados.loadFromFile(Paths::reportsDir() + QStringLiteral("controlhorariototales.fr3"));
        rTicados.setVariable(QStringLiteral("tdesde"), desde);
        rTicados.setVariable(QStringLiteral("thasta"), hasta);
        rTicados.setFileName(QStringLiteral("Control horario "));
        rTicados.showReport(this);
        rTicados.clear();
    });
}

void Tticados::btJexcelClick() {
    const QString archivo = Paths::workbookFile();
    const QString folder = QDir::toNativeSeparators(QFileInfo(archivo).absolutePath());
    // Each shown grid goes to the same file in turn; a failure stops the click there.
    for (QTableView* grid : {gridampliado, gridnormal, gridtotales}) {
        if (!grid->isVisibleTo(this)) {
            continue;
        }
        QProgressDialog* progress = nullptr;
        auto* model = qobject_cast<DatasetModel*>(grid->model());
        if (model && model->dataset().recordCount() >= kExportProgressFrom) {
            if (!exportProgress_) {
                exportProgress_ =
                    progressDialog(this, QStringLiteral("progresoexcel"),
                                   QStringLiteral("Exportando las filas a Excel..."), 0);
                exportProgress_->hide();
            }
            progress = exportProgress_;
        }
        if (!ErrorReport::guard(
                [&] { ExportaraExcel(archivo, QStringLiteral("TICADOS"), grid, progress); })) {
            return;
        }
        ErrorReport::show(QStringLiteral("Los datos han sido exportados correctamente a ") +
                          folder);
    }
}

void Tticados::ExportaraExcel(const QString& FileNameXLS, const QString& SheetName,
                              QTableView* DBGrid, QProgressDialog* ProgressBarXls) {
    auto* model = qobject_cast<DatasetModel*>(DBGrid->model());
    if (!model) {
        throw UserError(QStringLiteral("La rejilla %1 no muestra datos que exportar")
                            .arg(DBGrid->objectName()));
    }
    // The columns as the grid shows them: in their shown order, the hidden ones left out.
    QList<libro::Column> columns;
    const QHeaderView* header = DBGrid->horizontalHeader();
    for (int shown = 0; shown < header->count(); ++shown) {
        const int c = header->logicalIndex(shown);
        if (!header->isSectionHidden(c)) {
            columns.append({model->columns().at(c).field,
                            model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()});
        }
    }
    libro::Progress progress;
    QElapsedTimer sinceDrawn;
    int done = 0;
    if (ProgressBarXls) {
        progress.init = [&](int maximum) {
            ProgressBarXls->setRange(0, maximum);
            ProgressBarXls->setValue(0);
            ProgressBarXls->show();
            sinceDrawn.start();
        };
        // Each step of the bar lets the window draw itself again, which costs more than many
        // rows: the bar moves a few times a second and reaches its end with the last row.
        progress.advance = [&] {
            ++done;
            if (done == ProgressBarXls->maximum() || sinceDrawn.elapsed() >= 100) {
                ProgressBarXls->setValue(done);
                sinceDrawn.restart();
            }
        };
        progress.hide = [&] { ProgressBarXls->hide(); };
    }
    libro::write(FileNameXLS, SheetName, columns, model->dataset(),
                 ProgressBarXls ? &progress : nullptr);
}

// --- Focus and clicks ----------------------------------------------------------------------------

bool Tticados::eventFilter(QObject* watched, QEvent* event) {
    const auto byUser = [](QEvent* e) {
        // A popup (the drop-down calendar) or another window taking the focus for a while is
        // no leaving or entering of the control.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
    };
    if (watched == fdesde && event->type() == QEvent::FocusOut && !showing_ && byUser(event)) {
        fdesdeExit();
    } else if (watched == buscarempleado && event->type() == QEvent::FocusIn && byUser(event)) {
        buscarempleadoEnter();
    } else if (watched == Panel5 && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
               Panel5->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Panel5Click();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace horalia
