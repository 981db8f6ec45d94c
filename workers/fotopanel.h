#pragma once

#include <QFrame>
#include <QImage>
#include <QToolButton>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPushButton;

namespace horalia {

class Dataset;
class FrameSource;

// A picture box: its picture scaled in proportion and centred, or nothing.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    const QImage& image() const { return image_; }
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The camera's live picture, filling the panel: a frame of another shape is scaled until it
// covers the panel and centred, so a 4:3 camera loses its sides rather than looking squeezed.
// With no frame the panel is black, the empty preview.
class PreviewPanel : public QFrame {
    Q_OBJECT
public:
    explicit PreviewPanel(QWidget* parent = nullptr);
    void showFrame(const QImage& frame);
    void clearFrame() { showFrame({}); }
    // What the panel shows at this moment, pixel for pixel.
    QImage snapshot();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage frame_;
};

// A split button whose caption wraps onto two lines, as the panel's narrow button needs.
class SplitButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The photo panel of the worker window: the photo box of the selected worker, and the ways to
// give the worker a photo, from a picture file ("Cargar") or as a snapshot of the camera's
// live picture ("Capturar"). The split button's caption is the panel's mode. The photo is the
// worker's photo file (see photofile.h); the record query is re-posted unchanged at OK so the
// worker window's after-post steps bring the list back to the worker.
class FotoPanel : public QWidget {
    Q_OBJECT
public:
    static inline const QString kNoMode = QStringLiteral("Seleccione opción");
    static inline const QString kLoadMode = QStringLiteral("Cargar imagen");
    static inline const QString kCaptureMode = QStringLiteral("Capturar imagen");

    // Returns the picked file, or empty text when the user cancels.
    using PictureDialog = std::function<QString()>;

    FotoPanel(Dataset& record, QWidget* parent = nullptr);
    ~FotoPanel() override;

    // --- Controls, named as the window's layout names them --------------------------------
    PictureBox* Imagee;  // the photo box
    SplitButton* btEimagen;
    QMenu* MenubtAimagen;
    QAction* Cargar1;
    QAction* Capturar1;
    QToolButton* btEoKimagen;
    PreviewPanel* panelfotoe;
    PictureBox* imgfotoe;             // the preview image: the picked file or the snapshot
    QPushButton* btactivarcamara;     // never shown: its click is camera on
    QPushButton* btdesactivarcamara;  // never shown: its click is camera off

    QString mode() const;

    // A picker of our own replaces the file dialog (tests); the default is QFileDialog.
    void setPictureDialog(PictureDialog dialog) { pictureDialog_ = std::move(dialog); }
    // The camera; the default is the machine's first camera through Qt Multimedia, made when
    // first needed so that a window nobody takes photos in never loads the media backend.
    void setFrameSource(std::unique_ptr<FrameSource> source);
    FrameSource& frameSource();

    // --- Handlers ------------------------------------------------------------------------------
    void Cargar1Click();
    void Capturar1Click();
    void btEimagenClick();
    void btEoKimagenClick();
    void btactivarcamaraClick();
    void btdesactivarcamaraClick();
    void SetResolution(int width, int height);

    // The photo box shows this worker's photo file, or nothing when there is none.
    void showPhotoOf(const QVariant& workerNumber);
    // Back to "Seleccione opción" with the camera off, as OK leaves the panel.
    void finish();

protected:
    // The panel is hidden while a worker is entered or changed: the camera pauses meanwhile
    // and comes back on when the panel shows again in "Capturar imagen".
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void pickPicture();
    void placePreviewImage();
    void takeSnapshot();
    int currentWorker(const QString& action) const;

    Dataset& record_;
    std::unique_ptr<FrameSource> source_;
    PictureDialog pictureDialog_;
    QImage picked_;        // the picture picked with "Cargar", until OK keeps it
    bool paused_ = false;  // the camera was switched off by hiding the panel
};

}  // namespace horalia
