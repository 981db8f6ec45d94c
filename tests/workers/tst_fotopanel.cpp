#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <QAction>
#include <QBuffer>
#include <QCameraDevice>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMediaDevices>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <memory>

#include "datamodule.h"
#include "empleados.h"
#include "errors.h"
#include "fotopanel.h"
#include "framesource.h"
#include "paths.h"
#include "photofile.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
// By name: GARCIA is worker 27 (the list's first row), MARTIN worker 5.
const char* kWorkers =
    "insert into trabajadores (ide, ID, NIF, nombre, NOMBRECORTO, APELLIDOS, activo) values "
    "(1, 27, '27272727A', 'GARCIA LOPEZ ANA', 'ANA', 'GARCIA LOPEZ', 1),"
    "(1, 5, '55555555B', 'MARTIN RUIZ LUIS', 'LUIS', 'MARTIN RUIZ', 1)";

// The known picture: four coloured quarters, so a frame shifted, cut or mirrored on its way to
// the photo file shows as a wrong colour at one of the quarters' centres.
const QList<QColor> kQuarters{Qt::red, Qt::green, Qt::blue, Qt::yellow};
const QList<QPoint> kCentres{{30, 30}, {90, 30}, {30, 90}, {90, 90}};

QImage quarters(const QSize& size, const QList<QColor>& colours) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    p.fillRect(0, 0, w, h, colours.at(0));
    p.fillRect(w, 0, size.width() - w, h, colours.at(1));
    p.fillRect(0, h, w, size.height() - h, colours.at(2));
    p.fillRect(w, h, size.width() - w, size.height() - h, colours.at(3));
    return image;
}

// A camera of ours: frames of a known picture in its own size, or in the size asked for when
// it offers that size.
class TestFrameSource : public FrameSource {
public:
    TestFrameSource(const QSize& ownSize, bool offers120) : size_(ownSize), offers120_(offers120) {}
    int starts = 0;
    QSize asked;

    bool start() override {
        ++starts;
        active_ = true;
        sendFrame();
        return true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    bool setResolution(const QSize& size) override {
        asked = size;
        if (!offers120_ || size != QSize(120, 120)) {
            return false;
        }
        size_ = size;
        sendFrame();
        return true;
    }
    // The camera now sees something else.
    void look(const QList<QColor>& colours) {
        colours_ = colours;
        sendFrame();
    }

private:
    void sendFrame() {
        if (active_) {
            emit frameReady(quarters(size_, colours_));
        }
    }
    QSize size_;
    bool offers120_;
    bool active_ = false;
    QList<QColor> colours_ = kQuarters;
};

// The header fields of a BMP file that say what kind of bitmap it is.
struct BmpHeader {
    QByteArray magic;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int compression = -1;
};

BmpHeader readBmpHeader(const QString& file) {
    QFile f(file);
    BmpHeader h;
    if (!f.open(QIODevice::ReadOnly)) {
        return h;
    }
    const QByteArray b = f.read(54);
    if (b.size() < 54) {
        return h;
    }
    const auto* d = reinterpret_cast<const uchar*>(b.constData());
    h.magic = b.left(2);
    h.width = qFromLittleEndian<qint32>(d + 18);
    h.height = qAbs(qFromLittleEndian<qint32>(d + 22));
    h.bitsPerPixel = qFromLittleEndian<quint16>(d + 28);
    h.compression = int(qFromLittleEndian<quint32>(d + 30));
    return h;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class FotoPanelTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<ReportRecorder> report_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<TEmpleados> w_;
    TestFrameSource* camera_ = nullptr;
    QStringList answers_;  // what the picture dialog answers, one per opening
    int dialogs_ = 0;
    QString lockedFolder_;
    QSqlDatabase check_;

    FotoPanel& panel() { return *w_->fotos; }
    Dataset& list() { return dm_->qempleados; }
    QString photosDir() { return home_->filePath("imagenes"); }
    QString photo(int worker) { return home_->filePath(QString("imagenes/%1.bmp").arg(worker)); }
    QStringList photoFiles() { return QDir(photosDir()).entryList(QDir::Files); }
    QString row(int id) {
        return scalar(check_, QString("select concat_ws('|', ide, ID, NIF, nombre, NOMBRECORTO, "
                                      "APELLIDOS, activo, IMAGEN) from trabajadores where ID=%1")
                                  .arg(id))
            .toString();
    }

    void useTestCamera(const QSize& ownSize = {160, 120}, bool offers120 = true) {
        auto camera = std::make_unique<TestFrameSource>(ownSize, offers120);
        camera_ = camera.get();
        panel().setFrameSource(std::move(camera));
    }
    void capturar() { panel().Capturar1->trigger(); }
    void cargar(const QString& answer) {
        answers_ << answer;
        panel().Cargar1->trigger();
    }
    // On the split button's main part, left of its arrow.
    void clickMain() { QTest::mouseClick(panel().btEimagen, Qt::LeftButton, {}, QPoint(20, 20)); }
    void clickOk() { QTest::mouseClick(panel().btEoKimagen, Qt::LeftButton); }
    QString picture(const QString& name, const QImage& image) {
        const QString file = home_->filePath(name);
        image.save(file);
        return file;
    }
    QString goodPicture() {
        // Wider than high: kept as the photo, it is centred between white bands.
        QImage image(200, 100, QImage::Format_RGB32);
        QPainter p(&image);
        p.fillRect(0, 0, 100, 100, Qt::red);
        p.fillRect(100, 0, 100, 100, Qt::blue);
        p.end();
        return picture("foto.png", image);
    }
    void selectWorker(int id) {
        int r = 0;
        while (r < list().recordCount() && list().value(r, list().fieldIndex("id")).toInt() != id) {
            ++r;
        }
        QVERIFY(r < list().recordCount());
        QTableView* grid = w_->DBGrid1;
        const QModelIndex index = grid->model()->index(r, 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
        QCOMPARE(list().value("id").toInt(), id);
    }
    void emptyTheList() {
        QLineEdit* search = w_->tbuscarempleados;
        search->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(search, "NADIE");
        QTest::keyClick(search, Qt::Key_Tab);
        QVERIFY(list().isEmpty());
    }
    void checkColours(const QImage& image, const QList<QColor>& colours) {
        QCOMPARE(image.size(), QSize(120, 120));
        for (int i = 0; i < kCentres.size(); ++i) {
            QCOMPARE(QColor(image.pixel(kCentres.at(i))), colours.at(i));
        }
    }
    void checkPhotoFile(int worker, const QList<QColor>& colours) {
        const BmpHeader h = readBmpHeader(photo(worker));
        QCOMPARE(h.magic, QByteArray("BM"));
        QCOMPARE(h.width, 120);
        QCOMPARE(h.height, 120);
        QVERIFY(h.bitsPerPixel == 24 || h.bitsPerPixel == 32);
        QCOMPARE(h.compression, 0);  // BI_RGB, uncompressed
        if (!colours.isEmpty()) {
            checkColours(QImage(photo(worker)), colours);
        }
    }
    // Only a file's permissions stop the owner; root also needs the folder made immutable.
    void lockFolder(const QString& folder) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        lockedFolder_ = folder;
        if (geteuid() == 0) {
            setImmutable(folder, true);
        }
        QFile probe(folder + "/probe");
        QVERIFY2(!probe.open(QIODevice::WriteOnly), "the folder could not be made unwritable");
    }
    static void setImmutable(const QString& folder, bool on) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) {
            return;
        }
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }
    void unlockFolder() {
        if (lockedFolder_.isEmpty()) {
            return;
        }
        if (geteuid() == 0) {
            setImmutable(lockedFolder_, false);
        }
        QFile::setPermissions(lockedFolder_,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        lockedFolder_.clear();
    }

public:
    ~FotoPanelTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create("t_fotos");
        TestDatabase::run("t_fotos", kWorkers);
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(home_->path()).mkdir("imagenes"));
        Paths::setHome(home_->path());
        Paths::setConfigFile(
            TestDatabase::writeConfig(home_->filePath("config.ini"), "t_fotos", "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        w_ = std::make_unique<TEmpleados>(*dm_);
        answers_.clear();
        dialogs_ = 0;
        panel().setPictureDialog([this] {
            ++dialogs_;
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        });
        check_ = TestDatabase::connect("fotos", "t_fotos");
        w_->show();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        QCOMPARE(list().value("id").toInt(), 27);
    }
    void cleanup() {
        unlockFolder();
        w_.reset();
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("fotos");
        home_.reset();
    }

    void photoFileTakesOnlyAPositiveNumber_data() {
        QTest::addColumn<int>("worker");
        QTest::addColumn<QString>("name");
        QTest::newRow("27") << 27 << "27.bmp";
        QTest::newRow("largest number") << 32767 << "32767.bmp";
        QTest::newRow("zero") << 0 << "";
        QTest::newRow("negative") << -3 << "";
    }
    void photoFileTakesOnlyAPositiveNumber() {
        QFETCH(int, worker);
        QFETCH(QString, name);
        if (name.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(UserError, workers::photoFilePath(worker));
        } else {
            QCOMPARE(workers::photoFilePath(worker), Paths::photosDir() + name);
        }
    }

    void controls() {
        QCOMPARE(panel().parentWidget(), w_->peimagenes);
        QCOMPARE(panel().mode(), QString("Seleccione opción"));
        QCOMPARE(panel().btEimagen->popupMode(), QToolButton::MenuButtonPopup);
        QCOMPARE(panel().btEimagen->menu(), panel().MenubtAimagen);
        QCOMPARE(panel().MenubtAimagen->actions(),
                 (QList<QAction*>{panel().Cargar1, panel().Capturar1}));
        QCOMPARE(panel().Cargar1->text(), QString("Cargar"));
        QCOMPARE(panel().Capturar1->text(), QString("Capturar"));
        QCOMPARE(panel().Imagee->size(), QSize(120, 133));
        QCOMPARE(panel().btEimagen->size(), QSize(88, 41));
        QCOMPARE(panel().btEoKimagen->size(), QSize(33, 41));
        QCOMPARE(panel().panelfotoe->size(), QSize(120, 137));
        QVERIFY(panel().btEoKimagen->text().isEmpty() && !panel().btEoKimagen->icon().isNull());
        // The photo box and the buttons lie in the part of the panel the window shows.
        const QRect shown = w_->rect();
        for (QWidget* c :
             {static_cast<QWidget*>(panel().Imagee), static_cast<QWidget*>(panel().btEimagen),
              static_cast<QWidget*>(panel().btEoKimagen)}) {
            QVERIFY(shown.contains(QRect(c->mapTo(w_.get(), QPoint()), c->size())));
        }
    }

    // The panel's modes: what each way through them leaves shown, the camera, and the files.
    void modes_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("camera");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<QStringList>("files");
        const QString none = "Seleccione opción";
        const QString load = "Cargar imagen";
        const QString capture = "Capturar imagen";
        const QStringList no;
        const QStringList written{"27.bmp"};
        QTest::newRow("at start") << no << none << false << false << false << false << 0 << no;
        QTest::newRow("main part before choosing")
            << QStringList{"main"} << none << false << false << false << false << 0 << no;
        QTest::newRow("Cargar, dialog cancelled")
            << QStringList{"cargar cancel"} << load << false << false << false << false << 1 << no;
        QTest::newRow("Cargar, picture picked")
            << QStringList{"cargar"} << load << false << true << true << false << 1 << no;
        QTest::newRow("Cargar, main part opens the dialog again")
            << QStringList{"cargar", "main"} << load << false << true << true << false << 2 << no;
        QTest::newRow("Capturar, live")
            << QStringList{"capturar"} << capture << true << true << false << true << 0 << no;
        QTest::newRow("Capturar, after a snapshot") << QStringList{"capturar", "main"} << capture
                                                    << true << true << true << true << 0 << written;
        QTest::newRow("Capturar twice: one camera session")
            << QStringList{"capturar", "capturar"} << capture << true << true << false << true << 0
            << no;
        QTest::newRow("Cargar while capturing keeps the camera")
            << QStringList{"capturar", "cargar cancel"} << load << true << true << false << true
            << 1 << no;
        QTest::newRow("OK after a snapshot") << QStringList{"capturar", "main", "ok"} << none
                                             << false << false << false << false << 0 << written;
        QTest::newRow("OK after a pick") << QStringList{"cargar", "ok"} << none << false << false
                                         << false << false << 1 << written;
        QTest::newRow("window closed while capturing")
            << QStringList{"capturar", "reopen"} << none << false << false << false << false << 0
            << no;
    }
    void modes() {
        QFETCH(QStringList, steps);
        QFETCH(QString, caption);
        QFETCH(bool, preview);
        QFETCH(bool, image);
        QFETCH(bool, ok);
        QFETCH(bool, camera);
        QFETCH(int, dialogs);
        QFETCH(QStringList, files);
        useTestCamera();
        for (const QString& step : steps) {
            if (step == "capturar") {
                capturar();
                QCOMPARE(panel().panelfotoe->size(), QSize(120, 120));
            } else if (step == "cargar") {
                cargar(goodPicture());
            } else if (step == "cargar cancel") {
                cargar(QString());
            } else if (step == "main") {
                clickMain();
            } else if (step == "ok") {
                clickOk();
            } else if (step == "reopen") {
                w_->close();
                QVERIFY(!camera_->isActive());
                w_->show();
            }
        }
        // Joined, so a failure shows the text of a message that should not be there.
        QCOMPARE(report_->messages.join("|"), QString());
        QCOMPARE(panel().mode(), caption);
        QCOMPARE(panel().btEimagen->text(), caption);
        QCOMPARE(panel().panelfotoe->isVisible(), preview);
        QCOMPARE(panel().imgfotoe->isVisible(), image);
        QCOMPARE(panel().btEoKimagen->isVisible(), ok);
        QCOMPARE(camera_->isActive(), camera);
        QVERIFY(camera_->starts <= 1);
        QCOMPARE(dialogs_, dialogs);
        QCOMPARE(photoFiles(), files);
    }

    void snapshotWritesWhatThePreviewShows_data() {
        QTest::addColumn<bool>("offers120");
        QTest::newRow("camera offers 120 x 120") << true;
        QTest::newRow("camera keeps its own 160 x 120") << false;
    }
    void snapshotWritesWhatThePreviewShows() {
        QFETCH(bool, offers120);
        useTestCamera({160, 120}, offers120);
        capturar();
        QCOMPARE(camera_->asked, QSize(120, 120));
        clickMain();
        checkPhotoFile(27, kQuarters);
        checkColours(panel().imgfotoe->image(), kQuarters);
        QCOMPARE(panel().imgfotoe->size(), QSize(120, 120));
        QVERIFY(panel().btEoKimagen->isVisible());

        // The camera sees something else: the next snapshot replaces the file.
        const QList<QColor> other{Qt::magenta, Qt::cyan, Qt::darkGreen, Qt::white};
        camera_->look(other);
        clickMain();
        checkPhotoFile(27, other);
        QCOMPARE(photoFiles(), QStringList{"27.bmp"});
        QCOMPARE(report_->messages, QStringList());
    }

    void okAfterSnapshotRepostsAndReturnsToTheWorker() {
        useTestCamera();
        selectWorker(5);
        const QString before = row(5);
        capturar();
        clickMain();
        QSignalSpy posts(&dm_->trabajadores, &Dataset::afterPost);
        clickOk();
        QCOMPARE(posts.count(), 1);
        // The refresh of the list would leave its first row, worker 27, current.
        QCOMPARE(list().value("id").toInt(), 5);
        QCOMPARE(dm_->trabajadores.value("ID").toInt(), 5);
        QCOMPARE(dm_->trabajadores.state(), Dataset::State::Browse);
        QCOMPARE(w_->DBEdit38->text(), QString("5"));
        QCOMPARE(row(5), before);
        QVERIFY(panel().Imagee->isVisible());
        checkColours(panel().Imagee->image(), kQuarters);
        QCOMPARE(report_->messages, QStringList());
    }

    void okAfterPickKeepsThePictureAsThePhoto() {
        selectWorker(5);
        const QString before = row(5);
        cargar(goodPicture());
        QCOMPARE(photoFiles(), QStringList());
        clickOk();
        // 200 x 100 scaled to 120 x 60 and centred: white bands above and below.
        checkPhotoFile(5, {});
        const QImage kept(photo(5));
        QCOMPARE(QColor(kept.pixel(60, 10)), QColor(Qt::white));
        QCOMPARE(QColor(kept.pixel(30, 60)), QColor(Qt::red));
        QCOMPARE(QColor(kept.pixel(90, 60)), QColor(Qt::blue));
        QCOMPARE(QColor(kept.pixel(60, 110)), QColor(Qt::white));
        QCOMPARE(list().value("id").toInt(), 5);
        QCOMPARE(row(5), before);
        QCOMPARE(panel().Imagee->image(), kept);
        QCOMPARE(report_->messages, QStringList());
    }

    void cameraPausesWhileTheRecordIsEdited() {
        useTestCamera();
        capturar();
        QVERIFY(camera_->isActive());
        QTest::mouseClick(w_->btemodificar, Qt::LeftButton);
        QVERIFY(!w_->peimagenes->isVisible());
        QVERIFY(!camera_->isActive());
        QTest::mouseClick(w_->btecancelar, Qt::LeftButton);
        QVERIFY(w_->peimagenes->isVisible());
        QCOMPARE(panel().mode(), FotoPanel::kCaptureMode);
        QVERIFY(camera_->isActive());
        QCOMPARE(camera_->starts, 2);
        // Out of "Capturar imagen", editing never brings the camera back.
        clickMain();
        clickOk();
        QCOMPARE(panel().mode(), FotoPanel::kNoMode);
        QTest::mouseClick(w_->btemodificar, Qt::LeftButton);
        QTest::mouseClick(w_->btecancelar, Qt::LeftButton);
        QVERIFY(!camera_->isActive());
        QCOMPARE(report_->messages, QStringList());
    }

    void withoutCameraTheRealBackendShowsAnEmptyPreview() {
        QVERIFY2(QMediaDevices::videoInputs().isEmpty(), "this machine has a camera");
        capturar();
        QVERIFY(panel().panelfotoe->isVisible());
        QVERIFY(!panel().frameSource().isActive());
        clickMain();
        checkPhotoFile(27, {Qt::black, Qt::black, Qt::black, Qt::black});
        const QImage shot(photo(27));
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                QCOMPARE(QColor(shot.pixel(x, y)), QColor(Qt::black));
            }
        }
        QCOMPARE(report_->messages, QStringList());
    }

    void photoBoxShowsTheSelectedWorkersPhoto() {
        workers::savePhoto(5, quarters({120, 120}, kQuarters));
        QVERIFY(panel().Imagee->image().isNull());  // worker 27 has none
        selectWorker(5);
        checkColours(panel().Imagee->image(), kQuarters);
        selectWorker(27);
        QVERIFY(panel().Imagee->image().isNull());
    }

    void cancelledDialogChangesNothing() {
        workers::savePhoto(27, quarters({120, 120}, kQuarters));
        w_->close();
        w_->show();
        const QByteArray before = contents(photo(27));
        const QImage shown = panel().Imagee->image();
        cargar(QString());
        QCOMPARE(contents(photo(27)), before);
        QCOMPARE(panel().Imagee->image(), shown);
        QVERIFY(!shown.isNull());
        QVERIFY(!panel().imgfotoe->isVisible() && !panel().btEoKimagen->isVisible());
        QCOMPARE(report_->messages, QStringList());
    }

    void noCurrentWorkerSaysWhy_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("snapshot") << QStringList{"capturar"} << "main"
                                  << "No hay ningún trabajador seleccionado: elija uno en la "
                                     "lista para tomar la foto."
                                  << QStringList();
        QTest::newRow("OK after a snapshot")
            << QStringList{"capturar", "main"} << "ok"
            << "No hay ningún trabajador seleccionado: elija uno en la lista para guardar la foto."
            << QStringList{"27.bmp"};
        QTest::newRow("OK after a pick")
            << QStringList{"cargar"} << "ok"
            << "No hay ningún trabajador seleccionado: elija uno en la lista para guardar la foto."
            << QStringList();
    }
    void noCurrentWorkerSaysWhy() {
        QFETCH(QStringList, before);
        QFETCH(QString, action);
        QFETCH(QString, message);
        QFETCH(QStringList, files);
        useTestCamera();
        for (const QString& step : before) {
            step == "capturar" ? capturar() : step == "main" ? clickMain() : cargar(goodPicture());
        }
        const QString mode = panel().mode();
        const bool ok = panel().btEoKimagen->isVisible();
        emptyTheList();
        action == "main" ? clickMain() : clickOk();
        QCOMPARE(report_->messages, QStringList{message});
        QCOMPARE(panel().mode(), mode);
        QCOMPARE(panel().btEoKimagen->isVisible(), ok);
        QCOMPARE(photoFiles(), files);
    }

    void pickedFileThatIsNotAPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text file renamed")
            << "nota.jpg" << QByteArray("hola, esto no es una foto\n");
        QImage image(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
            }
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG");
        QTest::newRow("JPEG cut short") << "cortada.jpg" << jpeg.left(jpeg.size() / 2);
    }
    void pickedFileThatIsNotAPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString file = home_->filePath(name);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        cargar(goodPicture());
        const QImage picked = panel().imgfotoe->image();
        cargar(file);
        QCOMPARE(report_->messages,
                 QStringList{"El archivo «" + file + "» no es una imagen que se pueda leer."});
        QCOMPARE(panel().mode(), QString("Cargar imagen"));
        QCOMPARE(panel().imgfotoe->image(), picked);
        QVERIFY(panel().imgfotoe->isVisible() && panel().btEoKimagen->isVisible());
        // The picture picked before is still the one OK keeps.
        clickOk();
        QCOMPARE(QColor(QImage(photo(27)).pixel(30, 60)), QColor(Qt::red));
        QCOMPARE(report_->messages.size(), 1);
    }

    void photoFolderUnusable_data() {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<bool>("snapshot");
        QTest::addColumn<QString>("why");
        const QString gone = "la carpeta no existe";
        const QString locked = "no se puede escribir en ella";
        QTest::newRow("missing, snapshot") << true << true << gone;
        QTest::newRow("missing, OK after a pick") << true << false << gone;
        QTest::newRow("not writable, snapshot") << false << true << locked;
        QTest::newRow("not writable, OK after a pick") << false << false << locked;
    }
    void photoFolderUnusable() {
        QFETCH(bool, missing);
        QFETCH(bool, snapshot);
        QFETCH(QString, why);
        useTestCamera();
        snapshot ? capturar() : cargar(goodPicture());
        const bool ok = panel().btEoKimagen->isVisible();
        const QImage preview = panel().imgfotoe->image();
        if (missing) {
            QVERIFY(QDir(photosDir()).removeRecursively());
        } else {
            lockFolder(photosDir());
        }
        snapshot ? clickMain() : clickOk();
        QCOMPARE(report_->messages, QStringList{"No se puede guardar la foto en la carpeta «" +
                                                photosDir() + "/»: " + why + "."});
        QCOMPARE(panel().mode(), QString(snapshot ? "Capturar imagen" : "Cargar imagen"));
        QCOMPARE(panel().btEoKimagen->isVisible(), ok);
        QCOMPARE(panel().imgfotoe->image(), preview);
        QCOMPARE(dm_->trabajadores.state(), Dataset::State::Browse);
        QVERIFY(!QFile::exists(photo(27)));

        // Once the folder is there again the same step succeeds.
        if (missing) {
            QVERIFY(QDir(home_->path()).mkdir("imagenes"));
        } else {
            unlockFolder();
        }
        snapshot ? clickMain() : clickOk();
        QVERIFY(QFile::exists(photo(27)));
        QCOMPARE(report_->messages.size(), 1);
    }

    void screenshots() {
        workers::savePhoto(27, quarters({120, 120}, kQuarters));
        w_->close();
        w_->show();
        useTestCamera();
        QVERIFY(w_->grab().save("/tmp/fotos_seleccione.png"));
        capturar();
        QVERIFY(w_->grab().save("/tmp/fotos_capturar_vivo.png"));
        camera_->look({Qt::magenta, Qt::cyan, Qt::darkGreen, Qt::white});
        clickMain();
        QVERIFY(w_->grab().save("/tmp/fotos_capturar_foto.png"));
        clickOk();
        cargar(goodPicture());
        QVERIFY(w_->grab().save("/tmp/fotos_cargar.png"));
        QCOMPARE(report_->messages, QStringList());
    }
};

QObject* newFotoPanelTest() {
    return new FotoPanelTest;
}

#include "tst_fotopanel.moc"
