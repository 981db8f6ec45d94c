#include "fotopanel.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <utility>

#include "cameraframesource.h"
#include "dataset.h"
#include "errorreport.h"
#include "errors.h"
#include "photofile.h"

namespace horalia {

namespace {
constexpr int kLeft = 8;
constexpr int kBoxHeight = 133;  // the photo box and, before the camera starts, the preview
constexpr int kPreviewHeight = 137;
constexpr int kGap = 8;

// The readable picture formats, as the platform's open-picture dialog offers them.
QString pictureFilter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    }
    return QStringLiteral("Imágenes (%1);;Todos los archivos (*)").arg(patterns.join(' '));
}
}  // namespace

// --- PictureBox -------------------------------------------------------------------------------

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {}

void PictureBox::setImage(const QImage& image) {
    image_ = image;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (image_.isNull()) {
        return;
    }
    const QImage scaled =
        image_.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QRect target(QPoint(), scaled.size());
    target.moveCenter(contentsRect().center());
    QPainter(this).drawImage(target, scaled);
}

// --- PreviewPanel -----------------------------------------------------------------------------

PreviewPanel::PreviewPanel(QWidget* parent) : QFrame(parent) {}

void PreviewPanel::showFrame(const QImage& frame) {
    frame_ = frame;
    update();
}

QImage PreviewPanel::snapshot() {
    QImage shot(size(), QImage::Format_RGB32);
    shot.fill(Qt::black);
    render(&shot);
    return shot;
}

void PreviewPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull()) {
        return;
    }
    const QImage scaled =
        frame_.scaled(size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QRect source(QPoint(), size());
    source.moveCenter(scaled.rect().center());
    painter.drawImage(rect(), scaled, source);
}

// --- SplitButton ------------------------------------------------------------------------------

void SplitButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QRect main =
        style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButton, this);
    painter.drawItemText(main.adjusted(3, 2, -3, -2), Qt::AlignCenter | Qt::TextWordWrap, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
}

// --- FotoPanel --------------------------------------------------------------------------------

FotoPanel::FotoPanel(Dataset& record, QWidget* parent) : QWidget(parent), record_(record) {
    setObjectName(QStringLiteral("fotopanel"));
    int y = kGap;

    Imagee = new PictureBox(this);
    Imagee->setObjectName(QStringLiteral("Imagee"));
    Imagee->setGeometry(kLeft, y, 120, kBoxHeight);
    y += kBoxHeight + kGap;

    btEimagen = new SplitButton(this);
    btEimagen->setObjectName(QStringLiteral("btEimagen"));
    btEimagen->setText(kNoMode);
    btEimagen->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btEimagen->setPopupMode(QToolButton::MenuButtonPopup);
    btEimagen->setGeometry(kLeft, y, 88, 41);
    MenubtAimagen = new QMenu(btEimagen);
    MenubtAimagen->setObjectName(QStringLiteral("MenubtAimagen"));
    Cargar1 = MenubtAimagen->addAction(QStringLiteral("Cargar"));
    Cargar1->setObjectName(QStringLiteral("Cargar1"));
    Capturar1 = MenubtAimagen->addAction(QStringLiteral("Capturar"));
    Capturar1->setObjectName(QStringLiteral("Capturar1"));
    btEimagen->setMenu(MenubtAimagen);

    btEoKimagen = new QToolButton(this);
    btEoKimagen->setObjectName(QStringLiteral("btEoKimagen"));
    btEoKimagen->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    btEoKimagen->setToolTip(QStringLiteral("Guardar la foto"));
    btEoKimagen->setGeometry(kLeft + 88, y, 33, 41);
    btEoKimagen->hide();
    // Like the window's toolbar buttons they take the focus when clicked: a field being left
    // (the search field re-reads the list) has done so before the button acts.
    btEimagen->setFocusPolicy(Qt::StrongFocus);
    btEoKimagen->setFocusPolicy(Qt::StrongFocus);
    y += 41 + kGap;

    panelfotoe = new PreviewPanel(this);
    panelfotoe->setObjectName(QStringLiteral("panelfotoe"));
    panelfotoe->setGeometry(kLeft, y, 120, kPreviewHeight);
    panelfotoe->hide();
    y += kPreviewHeight + kGap;

    imgfotoe = new PictureBox(this);
    imgfotoe->setObjectName(QStringLiteral("imgfotoe"));
    imgfotoe->setGeometry(kLeft, y, 120, kPreviewHeight);
    imgfotoe->hide();

    btactivarcamara = new QPushButton(this);
    btactivarcamara->setObjectName(QStringLiteral("btactivarcamara"));
    btactivarcamara->hide();
    btdesactivarcamara = new QPushButton(this);
    btdesactivarcamara->setObjectName(QStringLiteral("btdesactivarcamara"));
    btdesactivarcamara->hide();

    pictureDialog_ = [this] {
        return QFileDialog::getOpenFileName(window(), QStringLiteral("Abrir imagen"), QString(),
                                            pictureFilter());
    };

    connect(Cargar1, &QAction::triggered, this, &FotoPanel::Cargar1Click);
    connect(Capturar1, &QAction::triggered, this, &FotoPanel::Capturar1Click);
    connect(btEimagen, &QToolButton::clicked, this, &FotoPanel::btEimagenClick);
    connect(btEoKimagen, &QToolButton::clicked, this, &FotoPanel::btEoKimagenClick);
    connect(btactivarcamara, &QPushButton::clicked, this, &FotoPanel::btactivarcamaraClick);
    connect(btdesactivarcamara, &QPushButton::clicked, this, &FotoPanel::btdesactivarcamaraClick);
}

FotoPanel::~FotoPanel() {
    if (source_) {
        source_->stop();
    }
}

QString FotoPanel::mode() const {
    return btEimagen->text();
}

void FotoPanel::setFrameSource(std::unique_ptr<FrameSource> source) {
    if (source_) {
        source_->stop();
        panelfotoe->clearFrame();
    }
    source_ = std::move(source);
    connect(source_.get(), &FrameSource::frameReady, panelfotoe, &PreviewPanel::showFrame);
}

FrameSource& FotoPanel::frameSource() {
    if (!source_) {
        setFrameSource(std::make_unique<CameraFrameSource>());
    }
    return *source_;
}

// --- Modes ------------------------------------------------------------------------------------

void FotoPanel::Cargar1Click() {
    btEimagen->setText(kLoadMode);
    btEimagenClick();
}

void FotoPanel::Capturar1Click() {
    btEimagen->setText(kCaptureMode);
    panelfotoe->show();
    btactivarcamaraClick();
    placePreviewImage();
    imgfotoe->show();
}

void FotoPanel::btEimagenClick() {
    if (mode() == kLoadMode) {
        ErrorReport::guard([this] { pickPicture(); });
    } else if (mode() == kCaptureMode) {
        ErrorReport::guard([this] { takeSnapshot(); });
    }
}

void FotoPanel::pickPicture() {
    const QString file = pictureDialog_();
    if (file.isEmpty()) {
        return;
    }
    // Read before anything changes: a file that is not a picture leaves the panel as it was.
    const QImage picture = workers::readPicture(file);
    picked_ = picture;
    imgfotoe->setImage(picture);
    placePreviewImage();
    imgfotoe->show();
    btEoKimagen->show();
}

void FotoPanel::placePreviewImage() {
    // Under the live preview while it is shown, in its place otherwise, so a picked picture
    // does not float below an empty gap.
    const int top = panelfotoe->isVisibleTo(this) ? panelfotoe->geometry().bottom() + 1 + kGap
                                                  : panelfotoe->y();
    imgfotoe->move(imgfotoe->x(), top);
}

void FotoPanel::takeSnapshot() {
    const int worker = currentWorker(QStringLiteral("tomar la foto"));
    const QImage shot = panelfotoe->snapshot();
    // Saved before the panel shows it: when the folder refuses it, nothing changes.
    workers::savePhoto(worker, shot);
    imgfotoe->setFixedSize(shot.size());
    imgfotoe->setImage(shot);
    btEoKimagen->show();
}

void FotoPanel::btEoKimagenClick() {
    ErrorReport::guard([this] {
        if (mode() == kNoMode) {
            return;
        }
        const int worker = currentWorker(QStringLiteral("guardar la foto"));
        if (mode() == kCaptureMode) {
            const QString file = workers::photoFilePath(worker);
            const QImage photo = workers::loadPhoto(worker);
            if (photo.isNull()) {
                throw FileError(QStringLiteral("No se puede leer la foto «%1»: haga antes la "
                                               "captura del trabajador seleccionado.")
                                    .arg(QDir::toNativeSeparators(file)));
            }
            Imagee->setImage(photo);
        } else {
            if (picked_.isNull()) {
                throw UserError(
                    QStringLiteral("No hay ninguna imagen elegida: pulse «Cargar "
                                   "imagen» para elegir una."));
            }
            // The picture picked is the one the user saw; it becomes the worker's photo.
            const QImage photo = workers::fitPhoto(picked_);
            workers::savePhoto(worker, photo);
            imgfotoe->setImage(photo);
        }
        Imagee->show();
        // Re-posted unchanged so the window's after-post steps return the list to the worker.
        record_.edit();
        record_.post();
        finish();
    });
}

void FotoPanel::finish() {
    btEimagen->setText(kNoMode);
    panelfotoe->hide();
    imgfotoe->hide();
    btdesactivarcamaraClick();
    btEoKimagen->hide();
    picked_ = QImage();
}

// --- Camera -----------------------------------------------------------------------------------

void FotoPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (source_ && source_->isActive()) {
        paused_ = true;
        btdesactivarcamaraClick();
    }
}

void FotoPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(paused_, false) && mode() == kCaptureMode) {
        btactivarcamaraClick();
    }
}

void FotoPanel::btactivarcamaraClick() {
    panelfotoe->setFixedSize(workers::kPhotoSide, workers::kPhotoSide);
    // One camera session at a time: "Capturar" again keeps the one running.
    if (frameSource().isActive()) {
        return;
    }
    // No camera: the preview stays empty and nothing is reported.
    if (!frameSource().start()) {
        return;
    }
    SetResolution(workers::kPhotoSide, workers::kPhotoSide);
}

void FotoPanel::btdesactivarcamaraClick() {
    if (source_) {
        source_->stop();
    }
    panelfotoe->clearFrame();
}

void FotoPanel::SetResolution(int width, int height) {
    // Refused: the camera keeps its own size and the preview panel scales it.
    frameSource().setResolution(QSize(width, height));
}

// --- Photo box --------------------------------------------------------------------------------

void FotoPanel::showPhotoOf(const QVariant& workerNumber) {
    bool ok = false;
    const int number = workerNumber.toInt(&ok);
    Imagee->setImage(ok ? workers::loadPhoto(number) : QImage());
}

int FotoPanel::currentWorker(const QString& action) const {
    bool ok = false;
    const int number = record_.value(QStringLiteral("ID")).toInt(&ok);
    if (!ok) {
        throw UserError(QStringLiteral("No hay ningún trabajador seleccionado: elija uno en la "
                                       "lista para %1.")
                            .arg(action));
    }
    return number;
}

}  // namespace horalia
