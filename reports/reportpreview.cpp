#include "reportpreview.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "csvexport.h"
#include "errorreport.h"
#include "pagepainter.h"

namespace horalia::reports {

namespace {

ReportPreview::SaveFileHook& saveFileHook() {
    static ReportPreview::SaveFileHook hook = [](QWidget* parent, const QString& caption,
                                                 const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    };
    return hook;
}

ReportPreview::PrintDialogHook& printDialogHook() {
    static ReportPreview::PrintDialogHook hook = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    return hook;
}

const double kZooms[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};

}  // namespace

// The page drawn on white paper with a grey surround, at the preview's zoom.
class PageView : public QWidget {
public:
    PageView(const PreparedReport& report, QWidget* parent) : QWidget(parent), report_(report) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(p);
    }
    void show(int page, double zoom) {
        page_ = page;
        zoom_ = zoom;
        QSizeF size = page >= 0 && page < int(report_.pages.size())
                          ? report_.pages[size_t(page)].sizePx
                          : QSizeF(210, 297) * kPixelsPerMm;
        setFixedSize((size * zoom).toSize() + QSize(2 * kBorder, 2 * kBorder));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (page_ < 0 || page_ >= int(report_.pages.size())) {
            return;
        }
        QPainter p(this);
        const QSizeF paper = report_.pages[size_t(page_)].sizePx * zoom_;
        p.fillRect(QRectF(QPointF(kBorder, kBorder), paper), Qt::white);
        p.translate(kBorder, kBorder);
        p.scale(zoom_, zoom_);
        PagePainter::paint(p, report_, page_);
    }

private:
    static constexpr int kBorder = 12;
    const PreparedReport& report_;
    int page_ = 0;
    double zoom_ = 1.0;
};

ReportPreview::SaveFileHook ReportPreview::setSaveFileHook(SaveFileHook hook) {
    return std::exchange(saveFileHook(), std::move(hook));
}

ReportPreview::PrintDialogHook ReportPreview::setPrintDialogHook(PrintDialogHook hook) {
    return std::exchange(printDialogHook(), std::move(hook));
}

ReportPreview::ReportPreview(const PreparedReport& report, QWidget* parent)
    : QDialog(parent), report_(report) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(report.documentName.trimmed().isEmpty()
                       ? QStringLiteral("Vista previa")
                       : QStringLiteral("Vista previa - %1").arg(report.documentName));
    // Room for the first page at 100 %, as far as the screen allows.
    const QSizeF paper =
        report.pages.empty() ? QSizeF(210, 297) * kPixelsPerMm : report.pages.front().sizePx;
    QSize size = paper.toSize() + QSize(60, 110);
    if (const QScreen* s = screen()) {
        size = size.boundedTo(s->availableGeometry().size());
    }
    resize(size);

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    btImprimir = button("btImprimir", QStringLiteral("Imprimir..."));
    btPdf = button("btPdf", QStringLiteral("Exportar a PDF..."));
    btCsv = button("btCsv", QStringLiteral("Exportar a CSV..."));
    btPrimera = button("btPrimera", QStringLiteral("|<"));
    btAnterior = button("btAnterior", QStringLiteral("<"));
    btSiguiente = button("btSiguiente", QStringLiteral(">"));
    btUltima = button("btUltima", QStringLiteral(">|"));
    btCerrar = button("btCerrar", QStringLiteral("Cerrar"));
    cbZoom = new QComboBox(this);
    cbZoom->setObjectName(QStringLiteral("cbZoom"));
    for (const double z : kZooms) {
        cbZoom->addItem(QStringLiteral("%1 %").arg(qRound(z * 100)), z);
    }
    cbZoom->setCurrentIndex(2);
    lpagina = new QLabel(this);
    lpagina->setObjectName(QStringLiteral("lpagina"));
    laviso = new QLabel(this);
    laviso->setObjectName(QStringLiteral("laviso"));
    laviso->setWordWrap(true);
    laviso->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
    if (!report.missingTemplate.isEmpty()) {
        laviso->setText(QStringLiteral("No se encontró la plantilla %1: el informe está vacío.")
                            .arg(report.missingTemplate));
    } else if (report.pages.empty()) {
        laviso->setText(QStringLiteral("El informe no tiene páginas."));
    }
    laviso->setVisible(!laviso->text().isEmpty());

    auto* tools = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(btImprimir), static_cast<QWidget*>(btPdf),
                       static_cast<QWidget*>(btCsv)}) {
        tools->addWidget(w);
    }
    tools->addSpacing(16);
    tools->addWidget(cbZoom);
    tools->addSpacing(16);
    for (QWidget* w : {static_cast<QWidget*>(btPrimera), static_cast<QWidget*>(btAnterior),
                       static_cast<QWidget*>(lpagina), static_cast<QWidget*>(btSiguiente),
                       static_cast<QWidget*>(btUltima)}) {
        tools->addWidget(w);
    }
    tools->addStretch();
    tools->addWidget(btCerrar);

    view_ = new PageView(report, this);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setWidget(view_);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(laviso);
    layout->addWidget(scroll_, 1);

    connect(btImprimir, &QPushButton::clicked, this, &ReportPreview::btImprimirClick);
    connect(btPdf, &QPushButton::clicked, this, &ReportPreview::btPdfClick);
    connect(btCsv, &QPushButton::clicked, this, &ReportPreview::btCsvClick);
    connect(btPrimera, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(btAnterior, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(btSiguiente, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(btUltima, &QPushButton::clicked, this,
            [this] { showPage(int(report_.pages.size()) - 1); });
    connect(btCerrar, &QPushButton::clicked, this, &QDialog::accept);
    connect(cbZoom, &QComboBox::currentIndexChanged, this,
            [this](int index) { setZoom(cbZoom->itemData(index).toDouble()); });
    showPage(0);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::showPage(int page) {
    page_ = qBound(0, page, qMax(0, int(report_.pages.size()) - 1));
    view_->show(page_, zoom_);
    updateControls();
}

void ReportPreview::setZoom(double zoom) {
    zoom_ = qBound(0.1, zoom, 8.0);
    view_->show(page_, zoom_);
}

void ReportPreview::updateControls() {
    const int pages = int(report_.pages.size());
    lpagina->setText(pages == 0 ? QStringLiteral("Sin páginas")
                                : QStringLiteral("Página %1 de %2").arg(page_ + 1).arg(pages));
    btPrimera->setEnabled(page_ > 0);
    btAnterior->setEnabled(page_ > 0);
    btSiguiente->setEnabled(page_ < pages - 1);
    btUltima->setEnabled(page_ < pages - 1);
    btImprimir->setEnabled(pages > 0);
    btPdf->setEnabled(pages > 0);
    btCsv->setEnabled(pages > 0);
}

QString ReportPreview::suggestedFile(const QString& extension) const {
    QString name = report_.documentName.trimmed();
    if (name.isEmpty()) {
        name = QStringLiteral("informe");
    }
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return QDir::home().filePath(name + extension);
}

void ReportPreview::btImprimirClick() {
    ErrorReport::guard([this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(report_.documentName);
        if (!printDialogHook()(printer, this)) {
            return;
        }
        PagePainter::print(printer, report_);
    });
}

void ReportPreview::btPdfClick() {
    ErrorReport::guard([this] {
        const QString file = saveFileHook()(this, QStringLiteral("Exportar a PDF"),
                                            suggestedFile(QStringLiteral(".pdf")),
                                            QStringLiteral("Documentos PDF (*.pdf)"));
        if (!file.isEmpty()) {
            PagePainter::exportPdf(report_, file);
        }
    });
}

void ReportPreview::btCsvClick() {
    ErrorReport::guard([this] {
        const QString file = saveFileHook()(this, QStringLiteral("Exportar a CSV"),
                                            suggestedFile(QStringLiteral(".csv")),
                                            QStringLiteral("Archivos CSV (*.csv)"));
        if (!file.isEmpty()) {
            CsvExport::write(report_, file);
        }
    });
}

}  // namespace horalia::reports
