#pragma once

#include <QDialog>
#include <functional>

#include "prepared.h"

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace horalia::reports {

class PageView;

// The modal preview: one page at a time as it will print, zoom, page navigation, printing
// through the system's print dialog and export to PDF and CSV. The dialogs it opens go through
// hooks, so tests answer them without blocking.
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // Asks where to save; an empty answer cancels.
    using SaveFileHook = std::function<QString(QWidget* parent, const QString& caption,
                                               const QString& suggested, const QString& filter)>;
    // Lets the user choose and set up the printer; false cancels.
    using PrintDialogHook = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static SaveFileHook setSaveFileHook(SaveFileHook hook);
    static PrintDialogHook setPrintDialogHook(PrintDialogHook hook);

    explicit ReportPreview(const PreparedReport& report, QWidget* parent = nullptr);
    ~ReportPreview() override;

    int currentPage() const { return page_; }
    void showPage(int page);
    void setZoom(double zoom);
    double zoom() const { return zoom_; }

    // Handlers, named after their control and event.
    void btImprimirClick();
    void btPdfClick();
    void btCsvClick();

    QPushButton* btPrimera;
    QPushButton* btAnterior;
    QPushButton* btSiguiente;
    QPushButton* btUltima;
    QComboBox* cbZoom;
    QLabel* lpagina;
    QLabel* laviso;  // why the report is empty, when it is
    QPushButton* btImprimir;
    QPushButton* btPdf;
    QPushButton* btCsv;
    QPushButton* btCerrar;

private:
    QString suggestedFile(const QString& extension) const;
    void updateControls();

    const PreparedReport& report_;
    QScrollArea* scroll_;
    PageView* view_;
    int page_ = 0;
    double zoom_ = 1.0;
};

}  // namespace horalia::reports
