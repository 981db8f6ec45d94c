#include "principal.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "casevalidator.h"
#include "clock.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "errorreport.h"
#include "errors.h"
#include "punch.h"
#include "teclado.h"

namespace horalia {

namespace {

const char* const kListError = "Error de conexion con la base de datos";
const char* const kNoConnection = "Sin conexion con la base de datos";
// The station's short date and long time, as a Spanish station writes them.
const char* const kDateFormat = "dd/MM/yyyy";
const char* const kTimeFormat = "HH:mm:ss";

QString weekdayName(const QDate& date) {
    // Written without accents, as the station has always shown them.
    static const char* const names[] = {"Lunes",   "Martes", "Miercoles", "Jueves",
                                        "Viernes", "Sabado", "Domingo"};
    return QString::fromLatin1(names[date.dayOfWeek() - 1]);
}

QFont tahoma(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* label(const QString& name, const QString& text, const QFont& font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    return l;
}

QFrame* panel(const QString& name, QWidget* parent) {
    auto* p = new QFrame(parent);
    p->setObjectName(name);
    p->setFrameShape(QFrame::Panel);
    p->setFrameShadow(QFrame::Raised);
    p->setAutoFillBackground(true);
    return p;
}

void paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// Every letter typed into the code field becomes a capital, as it is typed.
}  // namespace

QColor Tprincipal::normalColour() {
    return QApplication::palette().color(QPalette::Button);
}

QColor Tprincipal::headerDesignColour() {
    // The light 3-D colour: a shade lighter than the button face, so that the first reset's
    // repaint of the header can be seen.
    const QColor midlight = QApplication::palette().color(QPalette::Midlight);
    return midlight != normalColour() ? midlight : normalColour().lighter(106);
}

void Tprincipal::switchOn(QTimer& timer) {
    if (!timer.isActive()) {
        timer.start();
    }
}

Tprincipal::Tprincipal(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("principal"));
    setWindowTitle(QStringLiteral("Control Horario"));
    // The kiosk fills the screen; restored, the window manager centres it.
    setWindowState(Qt::WindowMaximized);
    setFont(tahoma(11));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    setCentralWidget(Panel1);
    auto* column = new QVBoxLayout(Panel1);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    buildHeader();
    column->addWidget(Panel7);

    Panel3 = panel(QStringLiteral("Panel3"), Panel1);
    auto* rest = new QVBoxLayout(Panel3);
    rest->setContentsMargins(0, 0, 0, 0);
    rest->setSpacing(0);
    buildEntryStrip();
    rest->addWidget(Panel6);
    lconexion = label(QStringLiteral("lconexion"), QString::fromLatin1(kNoConnection),
                      tahoma(27, true), Panel3);
    lconexion->setAlignment(Qt::AlignCenter);
    lconexion->setAutoFillBackground(true);
    {
        QPalette p = lconexion->palette();
        p.setColor(QPalette::Window, QColor(160, 0, 0));
        p.setColor(QPalette::WindowText, Qt::white);
        lconexion->setPalette(p);
    }
    lconexion->setContentsMargins(0, 6, 0, 6);
    lconexion->hide();
    rest->addWidget(lconexion);
    buildList();
    rest->addWidget(DBGrid1, 1);
    column->addWidget(Panel3, 1);

    // In front of the list, over the lower part of the window.
    teclado = new TouchKeyboard(Panel1);
    teclado->raise();
    Panel1->installEventFilter(this);

    buildMenu();

    setTabOrder(Edit1, DBGrid1);
    setTabOrder(DBGrid1, btAsalir);

    hora.setObjectName(QStringLiteral("hora"));
    hora.setInterval(1000);
    temporizador.setObjectName(QStringLiteral("temporizador"));
    temporizador.setInterval(2000);
    tiempo5.setObjectName(QStringLiteral("tiempo5"));
    tiempo5.setInterval(5000);
    // A handler that fails reports it; the timer keeps running.
    connect(&hora, &QTimer::timeout, this, [this] { ErrorReport::guard([this] { horaTimer(); }); });
    connect(&temporizador, &QTimer::timeout, this,
            [this] { ErrorReport::guard([this] { temporizadorTimer(); }); });
    connect(&tiempo5, &QTimer::timeout, this,
            [this] { ErrorReport::guard([this] { tiempo5Timer(); }); });
    hora.start();
    temporizador.start();
    tiempo5.start();

    FormCreate();
}

Tprincipal::~Tprincipal() {
    // Tearing the window down moves the focus around; that must not submit a code.
    Edit1->removeEventFilter(this);
    Panel1->removeEventFilter(this);
    Panel6->removeEventFilter(this);
}

void Tprincipal::buildHeader() {
    Panel7 = panel(QStringLiteral("Panel7"), Panel1);
    Panel7->setFixedHeight(112);
    paint(Panel7, headerDesignColour());
    auto* row = new QHBoxLayout(Panel7);
    row->setContentsMargins(8, 4, 0, 4);
    row->setSpacing(0);

    QFont heading = tahoma(37, true);
    heading.setUnderline(true);
    const QFont value = tahoma(27);
    auto addPair = [&](QLabel*& title, const QString& titleName, const QString& titleText,
                       QLabel*& shown, const QString& shownName, const QString& shownText) {
        auto* pair = new QVBoxLayout;
        pair->setSpacing(2);
        title = label(titleName, titleText, heading, Panel7);
        shown = label(shownName, shownText, value, Panel7);
        title->setAlignment(Qt::AlignCenter);
        shown->setAlignment(Qt::AlignCenter);
        pair->addWidget(title);
        pair->addWidget(shown);
        row->addLayout(pair, 1);
    };
    addPair(Label1, QStringLiteral("Label1"), QStringLiteral("FECHA"), lfecha,
            QStringLiteral("lfecha"), QStringLiteral("VIERNES"));
    addPair(Label2, QStringLiteral("Label2"), QStringLiteral("HORA"), lhora,
            QStringLiteral("lhora"), QStringLiteral("00:00:00"));
    addPair(Label3, QStringLiteral("Label3"), QStringLiteral("Nº Registros"), lregistros,
            QStringLiteral("lregistros"), QStringLiteral("00"));

    Panel2 = panel(QStringLiteral("Panel2"), Panel7);
    Panel2->setFixedWidth(61);
    auto* inner = new QVBoxLayout(Panel2);
    inner->setContentsMargins(4, 4, 4, 4);
    btAsalir = new QPushButton(Panel2);
    btAsalir->setObjectName(QStringLiteral("btAsalir"));
    btAsalir->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    inner->addWidget(btAsalir);
    row->addWidget(Panel2);
}

void Tprincipal::buildEntryStrip() {
    Panel6 = panel(QStringLiteral("Panel6"), Panel3);
    Panel6->setFixedHeight(96);
    paint(Panel6, normalColour());

    Label5 = label(QStringLiteral("Label5"), QStringLiteral("Trabajador/a:"), tahoma(27), Panel6);

    Edit1 = new QLineEdit(Panel6);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFont(tahoma(32));
    Edit1->setFixedSize(171, 47);
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setValidator(new CaseValidator(CaseValidator::Case::Upper, Edit1));
    Edit1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &Tprincipal::Edit1Change);

    ltrabajador = label(QStringLiteral("ltrabajador"), QString(), tahoma(27), Panel6);
    ltrabajador->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    ltexto = label(QStringLiteral("ltexto"), QStringLiteral("ENTRADA ACEPTADA"), tahoma(27, true),
                   Panel6);
    ltexto->setAlignment(Qt::AlignCenter);
    ltexto->setWordWrap(true);
    ltexto->setFixedWidth(283);
    ltexto->hide();

    chkteclado = new QCheckBox(QStringLiteral("Mostrar Teclado"), Panel6);
    chkteclado->setObjectName(QStringLiteral("chkteclado"));
    chkteclado->setFont(tahoma(16, true));
    chkteclado->hide();
    connect(chkteclado, &QCheckBox::clicked, this, &Tprincipal::chktecladoClick);

    Panel6->installEventFilter(this);
}

void Tprincipal::buildList() {
    DBGrid1 = new QTableView(Panel3);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    const auto centred = Qt::AlignCenter;
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    liveModel_ = new DatasetModel(
        DM->qmovimientos2,
        {{QStringLiteral("fecha"), QStringLiteral("Fecha"), centred, centred},
         {QStringLiteral("idt"), QStringLiteral("Id T"), centred, centred},
         {QStringLiteral("trabajador"), QStringLiteral("Trabajador"), left, left, 281},
         {QStringLiteral("entrada"), QStringLiteral("Entrada"), centred, centred, 82},
         {QStringLiteral("salida"), QStringLiteral("Salida"), centred, centred, 78}},
        this);
    liveModel_->setReadOnly(true);
    DBGrid1->setModel(liveModel_);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->setWordWrap(false);

    // Cells on black; the rows are read from a distance, so their text is light and large.
    DBGrid1->setFont(tahoma(18));
    QPalette p = DBGrid1->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::AlternateBase, Qt::black);
    p.setColor(QPalette::Text, listTextColour());
    DBGrid1->setPalette(p);
    DBGrid1->setShowGrid(true);
    DBGrid1->horizontalHeader()->setFont(tahoma(21));
    DBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(DBGrid1->font()).height() + 10);
    applyColumnWidths();
}

void Tprincipal::applyColumnWidths() {
    const QFontMetrics cells(DBGrid1->font());
    const QFontMetrics titles(DBGrid1->horizontalHeader()->font());
    const auto& columns = liveModel_->columns();
    for (int i = 0; i < columns.size(); ++i) {
        int width = columns.at(i).width;
        if (width < 0) {
            // The grid's default: room for the field's display width (a date shown as
            // "dd/mm/yy", a worker number) or its title, whichever is wider.
            const QString sample = i == 0 ? QStringLiteral("00/00/00") : QStringLiteral("00000");
            width = std::max(cells.horizontalAdvance(sample),
                             titles.horizontalAdvance(columns.at(i).title)) +
                    24;
        }
        DBGrid1->setColumnWidth(i, width);
    }
}

void Tprincipal::buildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Mantenimient1 = MainMenu1->addMenu(QStringLiteral("Mantenimiento"));
    Mantenimient1->setObjectName(QStringLiteral("Mantenimient1"));
    rabajadores1 = Mantenimient1->addAction(QStringLiteral("Trabajadores"));
    rabajadores1->setObjectName(QStringLiteral("rabajadores1"));
    Controlhorario1 = Mantenimient1->addAction(QStringLiteral("Control horario"));
    Controlhorario1->setObjectName(QStringLiteral("Controlhorario1"));
    CalendarioLaboral1 = Mantenimient1->addAction(QStringLiteral("Calendario Laboral"));
    CalendarioLaboral1->setObjectName(QStringLiteral("CalendarioLaboral1"));
    connect(rabajadores1, &QAction::triggered, this, &Tprincipal::rabajadores1Click);
    connect(Controlhorario1, &QAction::triggered, this, &Tprincipal::Controlhorario1Click);
    connect(CalendarioLaboral1, &QAction::triggered, this, &Tprincipal::CalendarioLaboral1Click);
    setMaintenanceVisible(false);

    auto* chord = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_M), this);
    chord->setObjectName(QStringLiteral("maintenanceShortcut"));
    connect(chord, &QShortcut::activated, this, &Tprincipal::maintenanceKey);
}

// --- Layout of the entry strip and the keyboard ------------------------------------------------

void Tprincipal::layoutStrip() {
    const int margin = 8;
    Label5->adjustSize();
    Label5->move(margin, 2);
    Edit1->move(margin, Label5->y() + Label5->height() + 2);
    ltexto->setFixedHeight(Panel6->height() - 8);
    ltexto->move((Panel6->width() - ltexto->width()) / 2, 4);
    // The name takes the field's place and may run on up to the result text.
    ltrabajador->setGeometry(margin, Label5->y() + Label5->height(),
                             std::max(Edit1->width(), ltexto->x() - 2 * margin),
                             Panel6->height() - Label5->y() - Label5->height() - 4);
    chkteclado->adjustSize();
    chkteclado->move(Panel6->width() - chkteclado->width() - margin,
                     (Panel6->height() - chkteclado->height()) / 2);
    fitWorkerName();
}

void Tprincipal::fitWorkerName() {
    // Long names shrink rather than run under the result text.
    QFont font = tahoma(27);
    const int room = ltrabajador->width();
    while (font.pixelSize() > 14 &&
           QFontMetrics(font).horizontalAdvance(ltrabajador->text()) > room) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    ltrabajador->setFont(font);
}

void Tprincipal::placeKeyboard() {
    teclado->move((Panel1->width() - teclado->width()) / 2,
                  std::max(0, Panel1->height() - teclado->height() - 8));
    teclado->raise();
}

bool Tprincipal::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1) {
        if (event->type() == QEvent::FocusIn) {
            ErrorReport::guard([this] { Edit1Enter(); });
        } else if (event->type() == QEvent::FocusOut) {
            // Only a move of the focus inside the terminal leaves the field; another window
            // coming to the front (a message, a maintenance window, a menu) does not.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                reason != Qt::MenuBarFocusReason) {
                ErrorReport::guard([this] { Edit1Exit(); });
            }
        }
    } else if (watched == Panel6 && event->type() == QEvent::Resize) {
        layoutStrip();
    } else if (watched == Panel1 && event->type() == QEvent::Resize) {
        placeKeyboard();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tprincipal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        ErrorReport::guard([this] { FormShow(); });
    }
}

// --- Handlers ----------------------------------------------------------------------------------

void Tprincipal::FormCreate() {
    if (qApp) {
        qApp->installEventFilter(&AppMessage);
    }
}

void Tprincipal::FormShow() {
    contando = false;
    Edit1->setFocus();
    // The list's work centre is first set at the clock tick; until then it is empty.
    try {
        if (!DM) {
            throw UserError(QString::fromLatin1(kListError));
        }
        DM->qmovimientos2.open();
    } catch (const std::exception&) {
        ErrorReport::show(QString::fromLatin1(kListError));
    }
}

void Tprincipal::horaTimer() {
    const QDateTime now = Clock::currentDateTime();
    lfecha->setText(weekdayName(now.date()) + QLatin1Char(' ') +
                    now.date().toString(QString::fromLatin1(kDateFormat)));
    lhora->setText(now.time().toString(QString::fromLatin1(kTimeFormat)));
    if (contando) {
        ltexto->show();
        contando = false;
    }
    readLiveList();
}

void Tprincipal::readLiveList() {
    // The clock, the reveal and the reset never depend on the database: a failed read keeps
    // the last list on screen with a mark, and is tried again a few ticks later.
    if (retryWait_ > 0) {
        --retryWait_;
        return;
    }
    try {
        if (!DM) {
            throw UserError(QString::fromLatin1(kListError));
        }
        Dataset& list = DM->qmovimientos2;
        list.setParam(QStringLiteral("centro"), DM->centrotrabajo);
        // A failed read keeps the rows of the last good one in the dataset, so the grid
        // goes on showing them.
        list.requery();
    } catch (const std::exception&) {
        liveListLost();
        return;
    }
    liveListRead();
}

void Tprincipal::liveListRead() {
    lregistros->setText(QString::number(DM->qmovimientos2.recordCount()));
    retryWait_ = 0;
    lconexion->hide();
}

void Tprincipal::liveListLost() {
    retryWait_ = kRetryTicks - 1;
    lconexion->show();
}

void Tprincipal::temporizadorTimer() {
    if (contando) {
        return;  // the result has not been seen yet
    }
    paint(Panel6, normalColour());
    paint(Panel7, normalColour());
    ltexto->hide();
    temporizador.stop();
    switchOn(tiempo5);
    ltrabajador->clear();
    Edit1->show();
    Edit1->clear();
    Edit1->setFocus();
}

void Tprincipal::tiempo5Timer() {
    // Never takes the keyboard from a window in front of the terminal (a maintenance window,
    // a message), and never acts on a field that cannot take it.
    if (!isActiveWindow() || !Edit1->isVisible() || !Edit1->isEnabled()) {
        return;
    }
    Edit1->setFocus();
    Edit1->clear();
}

void Tprincipal::Edit1Change() {
    tiempo5.stop();
}

void Tprincipal::Edit1Enter() {
    teclado->setVisible(chkteclado->isChecked());
}

void Tprincipal::chktecladoClick() {
    teclado->setVisible(chkteclado->isChecked());
}

void Tprincipal::Edit1Exit() {
    if (exiting_) {
        return;
    }
    const QScopedValueRollback<bool> exiting(exiting_, true);
    const QString code = Edit1->text();
    if (code.isEmpty()) {
        switchOn(tiempo5);
        return;
    }
    teclado->hide();
    PunchOutcome outcome;
    const bool done = ErrorReport::guard([&] {
        if (!DM) {
            throw UserError(QString::fromLatin1(kListError));
        }
        outcome = punch(*DM, code);
    });
    if (!done) {
        codeFailed();
        return;
    }
    applyOutcome(outcome);
}

void Tprincipal::applyOutcome(const PunchOutcome& outcome) {
    if (outcome.kind == PunchOutcome::Kind::Empty) {
        switchOn(tiempo5);
        return;
    }
    if (outcome.accepted()) {
        ltrabajador->setText(outcome.workerName);
        fitWorkerName();
        // The punch re-read the list; a row stored while that read failed is still an
        // accepted punch, shown as such, with the list kept as it was.
        if (outcome.listError.isEmpty() && DM->qmovimientos2.isOpen()) {
            liveListRead();
        } else {
            liveListLost();
        }
    }
    // The result's order: flag, colour, reset timer, refocus off, text, field away; then the
    // refocus on again so that its five seconds start afresh.
    contando = true;
    paint(Panel6, outcome.accepted() ? limeColour() : redColour());
    switchOn(temporizador);
    tiempo5.stop();
    ltexto->setText(outcome.text());
    Edit1->clear();
    Edit1->hide();
    switchOn(tiempo5);
}

void Tprincipal::codeFailed() {
    // The code stays in the field and the refocus stays off (typing switched it off). The
    // focus comes back to the field with the code selected once the focus change that
    // submitted it is over: the same worker can correct it or press Enter again, and the next
    // worker simply types over it.
    QTimer::singleShot(0, this, [this] {
        if (Edit1->isVisible() && Edit1->isEnabled() && !Edit1->text().isEmpty()) {
            Edit1->setFocus(Qt::OtherFocusReason);
            Edit1->selectAll();
        }
    });
}

// --- Maintenance -------------------------------------------------------------------------------

bool Tprincipal::maintenanceVisible() const {
    return Mantenimient1->menuAction()->isVisible();
}

void Tprincipal::setMaintenanceVisible(bool visible) {
    Mantenimient1->menuAction()->setVisible(visible);
    // With its one entry hidden the bar would be an empty strip over the kiosk.
    MainMenu1->setVisible(visible);
}

void Tprincipal::maintenanceKey() {
    if (maintenanceVisible()) {
        setMaintenanceVisible(false);
        return;
    }
    const QString password = DM ? DM->dbcontrol.database().password() : QString();
    if (!password.isEmpty()) {
        std::optional<QString> answer;
        if (passwordPrompt_) {
            answer = passwordPrompt_();
        } else {
            QInputDialog ask(this);
            ask.setWindowTitle(QStringLiteral("Mantenimiento"));
            ask.setLabelText(QStringLiteral("Contraseña:"));
            ask.setTextEchoMode(QLineEdit::Password);
            if (ask.exec() == QDialog::Accepted) {
                answer = ask.textValue();
            }
        }
        if (!answer || *answer != password) {
            return;
        }
    }
    setMaintenanceVisible(true);
}

void Tprincipal::showModal(QDialog* window, const QString& caption) {
    if (window) {
        window->exec();
        return;
    }
    QDialog placeholder(this);
    placeholder.setObjectName(QStringLiteral("placeholder"));
    placeholder.setWindowTitle(caption);
    placeholder.setModal(true);
    auto* layout = new QVBoxLayout(&placeholder);
    auto* text = new QLabel(
        QStringLiteral("La ventana «%1» todavía no está disponible.").arg(caption), &placeholder);
    text->setObjectName(QStringLiteral("placeholderText"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &placeholder);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Cerrar"));
    connect(buttons, &QDialogButtonBox::rejected, &placeholder, &QDialog::reject);
    layout->addWidget(buttons);
    placeholder.exec();
}

void Tprincipal::rabajadores1Click() {
    showModal(workersWindow_, rabajadores1->text());
}

void Tprincipal::Controlhorario1Click() {
    showModal(timesheetsWindow_, Controlhorario1->text());
}

void Tprincipal::CalendarioLaboral1Click() {
    showModal(calendarWindow_, CalendarioLaboral1->text());
}

}  // namespace horalia
