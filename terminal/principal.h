#pragma once

#include <QColor>
#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

#include "keyhook.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTableView;

namespace horalia {

class DatasetModel;
struct PunchOutcome;
class TouchKeyboard;

// The terminal window: the program's main window and the screen that workers see. It shows
// the date, the time and who is in at this work centre, takes the code a worker types or
// scans, shows the outcome of the punch on a coloured strip, and carries the hidden
// maintenance menu and the program-wide key hook. Three timers drive its display cycle:
//   Ready          -> a key typed           -> Typing          (tiempo5 off)
//   Typing         -> the field is left     -> Result pending  (punch; contando set)
//   Result pending -> hora tick             -> Result shown    (ltexto revealed)
//   Result shown   -> temporizador tick     -> Ready           (strips normal, field back)
// The data module DM must exist before the window is created and outlive it.
class Tprincipal : public QMainWindow {
    Q_OBJECT
public:
    // How often a failed re-read of the live list is tried again, in clock ticks: an
    // unreachable server costs a connect timeout each time, so the kiosk is not asked to
    // wait for it every second.
    static constexpr int kRetryTicks = 5;

    static QColor normalColour();
    static QColor limeColour() { return QColor(0, 255, 0); }
    static QColor redColour() { return QColor(255, 0, 0); }
    static QColor headerDesignColour();
    // The light text of the live list on its black cells.
    static QColor listTextColour() { return QColor(255, 255, 160); }

    explicit Tprincipal(QWidget* parent = nullptr);
    ~Tprincipal() override;

    // --- Controls, named as the station's screens name them --------------------------------
    QWidget* Panel1;
    QFrame* Panel7;
    QLabel* Label1;
    QLabel* lfecha;
    QLabel* Label2;
    QLabel* lhora;
    QLabel* Label3;
    QLabel* lregistros;
    QFrame* Panel2;
    QPushButton* btAsalir;
    QFrame* Panel3;
    QFrame* Panel6;
    QLabel* Label5;
    QLineEdit* Edit1;
    QLabel* ltrabajador;
    QLabel* ltexto;
    QCheckBox* chkteclado;
    QLabel* lconexion;  // "Sin conexion con la base de datos" while the live list cannot be read
    QTableView* DBGrid1;
    TouchKeyboard* teclado;
    QMenuBar* MainMenu1;
    QMenu* Mantenimient1;
    QAction* rabajadores1;
    QAction* Controlhorario1;
    QAction* CalendarioLaboral1;

    // The worker window switches `temporizador` off while it is shown and on again after.
    QTimer hora;
    QTimer temporizador;
    QTimer tiempo5;
    bool contando = false;

    // The program-wide key hook, installed on the application by FormCreate.
    KeyHook AppMessage;

    // Switching on a timer that is already on changes nothing; off and on again restarts it.
    static void switchOn(QTimer& timer);

    // --- Handlers ----------------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void horaTimer();
    void temporizadorTimer();
    void tiempo5Timer();
    void Edit1Change();
    void Edit1Enter();
    void Edit1Exit();
    void chktecladoClick();
    void rabajadores1Click();
    void Controlhorario1Click();
    void CalendarioLaboral1Click();

    // --- Maintenance -------------------------------------------------------------------------
    // The windows the menu items show modally; until one is set, its item shows a placeholder.
    void setWorkersWindow(QDialog* window) { workersWindow_ = window; }
    void setTimesheetsWindow(QDialog* window) { timesheetsWindow_ = window; }
    void setCalendarWindow(QDialog* window) { calendarWindow_ = window; }

    bool maintenanceVisible() const;
    void setMaintenanceVisible(bool visible);
    // Ctrl+Alt+M: asks for the station's database password (no question when it has none)
    // and shows the menu; pressed again, hides it.
    void maintenanceKey();
    // Asks for a password; no value when the question is cancelled. Tests answer it.
    using PasswordPrompt = std::function<std::optional<QString>()>;
    void setPasswordPrompt(PasswordPrompt prompt) { passwordPrompt_ = std::move(prompt); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildHeader();
    void buildEntryStrip();
    void buildList();
    void buildMenu();
    void layoutStrip();
    void placeKeyboard();
    void fitWorkerName();
    void applyColumnWidths();
    void readLiveList();
    void liveListRead();
    void liveListLost();
    void applyOutcome(const PunchOutcome& outcome);
    void codeFailed();
    void showModal(QDialog* window, const QString& caption);

    DatasetModel* liveModel_ = nullptr;
    int retryWait_ = 0;
    bool exiting_ = false;
    QPointer<QDialog> workersWindow_;
    QPointer<QDialog> timesheetsWindow_;
    QPointer<QDialog> calendarWindow_;
    PasswordPrompt passwordPrompt_;
};

}  // namespace horalia
