// The report engine over the shipped templates and the private MariaDB server: what the PDF
// says, how many pages and cards it has, whether a card's barcode reads back as the NIF.

#include <ZXing/ReadBarcode.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include <sys/stat.h>

#include "clock.h"
#include "csvexport.h"
#include "datamodule.h"
#include "errors.h"
#include "expression.h"
#include "pagepainter.h"
#include "paths.h"
#include "report.h"
#include "reportpreview.h"
#include "templatereader.h"
#include "testdatabase.h"

using namespace horalia;
using namespace horalia::reports;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const QString kDb = QStringLiteral("t_reports");
const QString kTemplates = QStringLiteral(HORALIA_SOURCE_DIR "/informes/");

// Worker 5 carries the NIF of the cards; 6 a NIF that Code 128 cannot carry.
const char* kData =
    "insert into trabajadores (ID, NIF, nombre, activo) values "
    "(1, '11111111H', 'GARCIA LOPEZ ANA', 1), (2, '22222222J', 'MARTIN RUIZ LUIS', 2),"
    "(5, '12345678Z', 'PEÑA D''ARCY ROSA', 1), (6, 'Ñ2345678Z', 'NUÑEZ; SOLA', 1);"
    "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) values "
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 1, 'GARCIA LOPEZ ANA', '15:00:00', '18:00:00'),"
    "('2024-03-05', 1, 'GARCIA LOPEZ ANA', '08:00:00', '14:00:00'),"
    "('2024-03-04', 2, 'MARTIN RUIZ LUIS', '07:00:00', '15:00:00'),"
    "('2024-03-05', 5, 'PEÑA D''ARCY ROSA', '08:30:00', '13:15:00'),"
    "('2024-03-05', 6, 'NUÑEZ; SOLA', '09:00:00', '10:30:00');";
const QString kPeriod = QStringLiteral(" where fecha>='2024/3/4' and fecha<='2024/3/5'");

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << program << arguments << p.readAllStandardError();
        return {};
    }
    return p.readAllStandardOutput();
}

int pdfPages(const QString& pdf) {
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(run("pdfinfo", {pdf}))).captured(1).toInt();
}

QString pdfText(const QString& pdf) {
    return QString::fromUtf8(run("pdftotext", {"-layout", pdf, "-"}));
}

// A page of the PDF as a picture, the way a scanner or a person sees it.
QImage pdfPage(const QString& pdf, int page, int dpi, const QString& out) {
    run("pdftoppm", {"-png", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
                     QString::number(page), "-singlefile", pdf, out});
    return QImage(out + ".png");
}

// The barcodes of the four cards of a page's first band, each read from its card alone, as a
// scanner sees one card.
QStringList barcodes(const QImage& page, int dpi) {
    const double px = dpi / 25.4;
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128);
    hints.setMaxNumberOfSymbols(1);
    QStringList texts;
    for (const QPointF& card : {QPointF(8, 5), QPointF(101, 5), QPointF(8, 66), QPointF(101, 66)}) {
        const QRectF mm(QPointF(10, 10) + card, QSizeF(85, 54));
        const QImage grey = page.copy(QRectF(mm.topLeft() * px, mm.size() * px).toRect())
                                .convertToFormat(QImage::Format_Grayscale8);
        const ZXing::Result r =
            ZXing::ReadBarcode({grey.bits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine())},
                               hints);
        if (r.isValid()) {
            texts << QString::fromStdString(r.text());
        }
    }
    return texts;
}

// Every text laid out in the report, in page order.
QStringList texts(const PreparedReport& report) {
    QStringList out;
    for (const PreparedPage& page : report.pages) {
        for (const PageItem& item : page.items) {
            if (item.kind == PageItem::Kind::Text) {
                out << item.text;
            }
        }
    }
    return out;
}

QString hours(double h) {
    return QLocale().toString(h, 'g', 15);
}
}  // namespace

class ReportsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<ReportRecorder> recorder_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<Dataset> rows_;
    std::unique_ptr<Dataset> totals_;
    std::unique_ptr<Dataset> worker_;
    ReportDataset frxDBDataset1{QStringLiteral("frxDBDataset1")};
    ReportDataset ticados2{QStringLiteral("ticados2")};
    QSqlDatabase check_;

    std::unique_ptr<Dataset> query(const QString& sql) {
        auto d = std::make_unique<Dataset>(dm_->dbcontrol, QStringLiteral("q"));
        d->setSql(sql);
        d->open();
        return d;
    }
    // The report as a window prepares it: template, data sets, the period's variables.
    const PreparedReport& prepare(Report& report, const QString& name) {
        report.registerDataset(&frxDBDataset1);
        report.registerDataset(&ticados2);
        report.setBaseDir(dir_.path());
        report.clear();
        report.loadFromFile(kTemplates + name);
        report.setVariable("tdesde", Expression::quoted("Desde: 04/03/2024"));
        report.setVariable("thasta", Expression::quoted("Hasta: 05/03/2024"));
        report.setFileName("Control horario ");
        return report.prepare();
    }
    QString pdf(const PreparedReport& report, const QString& name) {
        const QString file = QDir::temp().filePath(name + ".pdf");
        PagePainter::exportPdf(report, file);
        return file;
    }
    double storedSum(const QString& where) {
        return scalar(check_, "select sum(num_horas) from ticadoscompleto" + where).toDouble();
    }

public:
    ~ReportsTest() override { cleanup(); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    void init() {
        TestDatabase::create(kDb);
        TestDatabase::run(kDb, QString::fromUtf8(kData));
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), kDb, "ALMACEN"));
        recorder_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        rows_ = query("select * from ticadoscompleto" + kPeriod +
                      " order by idt,fecha desc,entradam,entradat");
        totals_ = query("select idt,trabajador,sum(num_horas) as num_horas from ticadoscompleto" +
                        kPeriod + " group by idt order by idt");
        check_ = TestDatabase::connect("check", kDb);
        ticados2.setSource(totals_.get());
    }
    void cleanup() {
        Clock::setInstance(nullptr);
        worker_.reset();
        rows_.reset();
        totals_.reset();
        dm_.reset();
        recorder_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
    }

    // --- The worker cards -------------------------------------------------------------------

    void cards_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("nif");
        QTest::addColumn<int>("decoded");
        QTest::newRow("NIF in Code 128") << 5 << "12345678Z" << 4;
        // An Ñ has no Code 128 form: empty barcode areas, the NIF still in text.
        QTest::newRow("NIF Code 128 cannot carry") << 6 << "Ñ2345678Z" << 0;
    }
    void cards() {
        QFETCH(int, id);
        QFETCH(QString, nif);
        QFETCH(int, decoded);
        worker_ = query(QStringLiteral("select * from trabajadores where ID=%1").arg(id));
        frxDBDataset1.setSource(worker_.get());
        // The worker's photo file: a red picture in every photo box.
        QDir(dir_.path()).mkpath("imagenes");
        QImage photo(120, 120, QImage::Format_RGB32);
        photo.fill(Qt::red);
        QVERIFY(photo.save(dir_.filePath(QStringLiteral("imagenes/%1.bmp").arg(id)), "BMP"));

        Report report;
        const QString file =
            pdf(prepare(report, "tarjeta2.fr3"), "tarjeta2_" + QString::number(id));
        QCOMPARE(pdfPages(file), 1);
        const QString text = pdfText(file);
        const QString name = worker_->value("nombre").toString();
        QCOMPARE(text.count(name), 4);
        QCOMPARE(text.count(nif), 4);

        const QImage page =
            pdfPage(file, 1, 150, QDir::temp().filePath("tarjeta2_" + QString::number(id)));
        QVERIFY(!page.isNull());
        QCOMPARE(barcodes(page, 150), QStringList(decoded, nif));
        // Four photo boxes of 23 x 36 mm, filled with the photo kept square: about 4 x 23 x 23 mm.
        qint64 red = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        }
        const double mm2 = (150 / 25.4) * (150 / 25.4);
        QVERIFY2(red > 4 * 22 * 22 * mm2 && red < 4 * 24 * 24 * mm2,
                 qPrintable(QString::number(red)));
    }

    void cardsTwoBandsAPage() {
        // Five workers: five bands of four cards, two bands a page.
        worker_ =
            query("select * from trabajadores union all select * from trabajadores where ID=1");
        frxDBDataset1.setSource(worker_.get());
        Report report;
        const PreparedReport& prepared = prepare(report, "tarjeta2.fr3");
        QCOMPARE(int(prepared.pages.size()), 3);
        QCOMPARE(pdfPages(pdf(prepared, "tarjeta2_cinco")), 3);
        int cards = 0;
        for (const PreparedPage& page : prepared.pages) {
            for (const PageItem& item : page.items) {
                cards += item.kind == PageItem::Kind::Barcode;
            }
        }
        QCOMPARE(cards, 20);
    }

    // --- The hours reports ------------------------------------------------------------------

    void hoursPerWorker() {
        frxDBDataset1.setSource(totals_.get());
        Report report;
        const QString file =
            pdf(prepare(report, "controlhorariototales.fr3"), "controlhorariototales");
        QCOMPARE(pdfPages(file), 1);
        const QString text = pdfText(file);
        QVERIFY(text.contains("Control Horario"));
        QVERIFY(text.contains("Desde: 04/03/2024"));
        QVERIFY(text.contains("Hasta: 05/03/2024"));
        QVERIFY2(text.contains("Nº Trabajadores: 4"), qPrintable(text));
        QVERIFY2(text.contains("Total horas periodo: " + hours(storedSum(kPeriod))),
                 qPrintable(text));
        // One line per worker: number, name, hours with two decimals.
        QVERIFY(text.contains(QRegularExpression("5\\s+PEÑA D'ARCY ROSA\\s+4,75")));
        QVERIFY(text.contains(QRegularExpression("1\\s+GARCIA LOPEZ ANA\\s+15,00")));
    }

    void timeSheetRows() {
        frxDBDataset1.setSource(rows_.get());
        rows_->last();  // the window's current row stays where it is
        Report report;
        const QString file = pdf(prepare(report, "controlhorario.fr3"), "controlhorario");
        QCOMPARE(rows_->currentRow(), rows_->recordCount() - 1);
        // A sheet per worker, each with its days, its count and its hours.
        QCOMPARE(pdfPages(file), 4);
        const QStringList pages = pdfText(file).split('\f');
        QVERIFY(pages[0].contains("Desde: 04/03/2024"));
        QVERIFY(pages[0].contains(QRegularExpression("Trabajador/a: GARCIA LOPEZ ANA\\s+Nº: 1")));
        QVERIFY2(pages[0].contains(QRegularExpression(
                     "lun 04/03/2024\\s+08:00\\s+14:00\\s+15:00\\s+18:00\\s+9,00")),
                 qPrintable(pages[0]));
        QVERIFY(pages[0].contains(QRegularExpression("mar 05/03/2024\\s+08:00\\s+14:00\\s+6,00")));
        QVERIFY(pages[0].contains(QRegularExpression("Jornadas: 2\\s+Total horas: 15,00")));
        QVERIFY(pages[0].contains("Firma del trabajador/a"));
        QVERIFY(pages[0].contains("Página 1 de 4"));
        QVERIFY(pages[1].contains(QRegularExpression("Jornadas: 1\\s+Total horas: 8,00")));
        QVERIFY(pages[3].contains("Trabajador/a: NUÑEZ; SOLA"));
        QVERIFY(pages[3].contains("Jornadas del informe: 5"));
        QVERIFY(pages[3].contains("Horas del informe: " +
                                  QLocale().toString(storedSum(kPeriod), 'f', 2)));
    }

    void thousandWorkersPaginate() {
        TestDatabase::run(kDb,
                          "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) "
                          "with recursive s(n) as (select 100 union all select n+1 from s where "
                          "n<1099) select '2024-03-04', n, concat('TRABAJADOR ', n), '08:00:00', "
                          "'15:30:00' from s;");
        totals_->refresh();
        QCOMPARE(totals_->recordCount(), 1004);
        Report report;
        const PreparedReport& prepared = prepare(report, "controlhorariototales.fr3");
        QVERIFY(prepared.pages.size() > 10);
        // Every band inside the paper's printable area, every worker once.
        const double bottom = (297 - 10) * kPixelsPerMm;
        int names = 0;
        for (const PreparedPage& page : prepared.pages) {
            for (const PageItem& item : page.items) {
                QVERIFY(item.rect.bottom() <= bottom + 0.01);
                names += item.text.startsWith("TRABAJADOR ");
            }
        }
        QCOMPARE(names, 1000);
        const QString file = pdf(prepared, "controlhorariototales_mil");
        QCOMPARE(pdfPages(file), int(prepared.pages.size()));
        QVERIFY(pdfText(file).contains("Nº Trabajadores: 1004"));
    }

    // --- Export to CSV ------------------------------------------------------------------------

    void csv() {
        frxDBDataset1.setSource(totals_.get());
        Report report;
        const PreparedReport& prepared = prepare(report, "controlhorariototales.fr3");
        const QString file = dir_.filePath("horas.csv");
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(10000, 'x'));
        }
        CsvExport::write(prepared, file);
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QString expected =
            "Control Horario\r\n"
            "Desde: 04/03/2024;Hasta: 05/03/2024\r\n"
            "Id;Trabajador/a;Horas\r\n"
            "1;GARCIA LOPEZ ANA;15,00\r\n"
            "2;MARTIN RUIZ LUIS;8,00\r\n"
            "5;PEÑA D'ARCY ROSA;4,75\r\n"
            "6;\"NUÑEZ; SOLA\";1,50\r\n"
            "Nº Trabajadores: 4;Total horas periodo: 29,25\r\n";
        QCOMPARE(in.readAll(), expected.toLatin1());
    }

    // --- Templates that are missing, odd or broken -------------------------------------------

    void missingTemplate() {
        Report report;
        QVERIFY(!report.loadFromFile(dir_.filePath("informes/no-hay.fr3")));
        report.setFileName("Control horario ");
        const PreparedReport& prepared = report.prepare();
        QVERIFY(prepared.pages.empty());
        QVERIFY(recorder_->messages.isEmpty());
        ReportPreview preview(prepared);
        QVERIFY(preview.laviso->isVisibleTo(&preview));
        QCOMPARE(preview.laviso->text(), "No se encontró la plantilla " +
                                             dir_.filePath("informes/no-hay.fr3") +
                                             ": el informe está vacío.");
        QVERIFY(!preview.btPdf->isEnabled());
        preview.resize(700, 300);
        preview.grab().save(QDir::temp().filePath("informe_sin_plantilla.png"));
    }

    void badTemplate_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("not XML") << QByteArray("PK\x03\x04 binary")
                                 << "no es un archivo XML válido";
        QTest::newRow("cut short")
            << QByteArray("<?xml version=\"1.0\"?><TfrxReport><TfrxReportPage>")
            << "no es un archivo XML válido";
        QTest::newRow("XML of another kind")
            << QByteArray("<html><body/></html>") << "no es una plantilla de informe";
    }
    void badTemplate() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = dir_.filePath("mala.fr3");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        Report report;
        try {
            report.loadFromFile(path);
            QFAIL("no error");
        } catch (const FileError& e) {
            QVERIFY2(e.text().contains(path) && e.text().contains(message), qPrintable(e.text()));
        }
        QVERIFY(report.isEmpty());
    }

    void unknownObjectsSkipped() {
        const QString path = dir_.filePath("rara.fr3");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(R"(<?xml version="1.0" encoding="utf-8"?>
<TfrxReport Version="6.0" Unknown.Attribute="1">
  <TfrxDialogPage Name="Dialog1"><TfrxButtonControl Name="B"/></TfrxDialogPage>
  <TfrxReportPage Name="Page1" PaperWidth="210" PaperHeight="297" Gadget="x">
    <TfrxOverlay Name="Overlay1" Height="40"><TfrxMemoView Name="Hidden" Text="no"/></TfrxOverlay>
    <TfrxReportTitle Name="T" Height="40" Top="10" Width="700">
      <TfrxChartView Name="Chart1" Left="0" Top="0" Width="100" Height="30"><Series/></TfrxChartView>
      <TfrxMemoView Name="M" Left="10" Top="5" Width="300" Height="20" Sparkle.Level="3" Text="Hola [tdesde]"/>
    </TfrxReportTitle>
  </TfrxReportPage>
</TfrxReport>)");
        f.close();
        Report report;
        QVERIFY(report.loadFromFile(path));
        report.setVariable("tdesde", Expression::quoted("Desde: 04/03/2024"));
        QCOMPARE(texts(report.prepare()), QStringList{"Hola Desde: 04/03/2024"});
    }

    // A template at the edges of what the engine takes, some made to break it: it prepares,
    // paints and every `text` it should print is there `times` times.
    void oddTemplate_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("times");
        QTest::newRow("frame width not a number") << QByteArray(R"(<TfrxReport><TfrxReportPage>
            <TfrxReportTitle Height="30"><TfrxMemoView Width="300" Height="20" Frame.Typ="15"
            Frame.Width="nan" Text="hola"/></TfrxReportTitle></TfrxReportPage></TfrxReport>)")
                                                  << "hola" << 1;
        QTest::newRow("variable summing itself") << QByteArray(R"xml(<TfrxReport>
            <Variables><item Name="x" Value="SUM(x, M)"/></Variables><TfrxReportPage>
            <TfrxMasterData Name="M" Top="1" Height="20" RowCount="3"><TfrxMemoView Width="300"
            Height="20" Text="fila"/></TfrxMasterData><TfrxFooter Top="2" Height="20">
            <TfrxMemoView Width="300" Height="20" Text="Total: [x]"/></TfrxFooter>
            </TfrxReportPage></TfrxReport>)xml") << "Total: 0"
                                                 << 1;
        QTest::newRow("reprinted headers taller than the page")
            << QByteArray(R"(<TfrxReport><TfrxReportPage>
            <TfrxHeader Top="1" Height="600" ReprintOnNewPage="True"><TfrxMemoView Width="300"
            Height="20" Text="cabecera"/></TfrxHeader>
            <TfrxGroupHeader Top="2" Height="600" Condition="1" ReprintOnNewPage="True">
            <TfrxMemoView Width="300" Height="20" Text="grupo"/></TfrxGroupHeader>
            <TfrxMasterData Top="3" Height="20" RowCount="3"><TfrxMemoView Width="300"
            Height="20" Text="fila"/></TfrxMasterData></TfrxReportPage></TfrxReport>)")
            << "fila" << 3;
        // The outer footer goes to a new page: the heading of the inner group, already closed,
        // must not stand over it.
        QTest::newRow("outer group footer on a new page")
            << QByteArray(R"(<TfrxReport><TfrxReportPage>
            <TfrxGroupHeader Top="1" Height="20" Condition="1" ReprintOnNewPage="True">
            <TfrxMemoView Width="300" Height="20" Text="trabajador"/></TfrxGroupHeader>
            <TfrxGroupHeader Top="2" Height="20" Condition="2" ReprintOnNewPage="True">
            <TfrxMemoView Width="300" Height="20" Text="dia"/></TfrxGroupHeader>
            <TfrxMasterData Top="3" Height="20" RowCount="1"><TfrxMemoView Width="300"
            Height="20" Text="fila"/></TfrxMasterData>
            <TfrxGroupFooter Top="4" Height="900"/><TfrxGroupFooter Top="5" Height="200"/>
            </TfrxReportPage></TfrxReport>)")
            << "dia" << 1;
    }
    void oddTemplate() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, text);
        QFETCH(int, times);
        const QString path = dir_.filePath("hostil.fr3");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xml);
        f.close();
        Report report;
        QVERIFY(report.loadFromFile(path));
        const PreparedReport& prepared = report.prepare();
        for (const PreparedPage& page : prepared.pages) {
            for (const PageItem& item : page.items) {
                const QRectF& r = item.rect;
                QVERIFY(qIsFinite(r.x()) && qIsFinite(r.y()) && qIsFinite(r.width()) &&
                        qIsFinite(r.height()) && qIsFinite(item.frame.width));
            }
        }
        QCOMPARE(texts(prepared).count(text), times);
        QImage image(100, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        for (int i = 0; i < int(prepared.pages.size()); ++i) {
            PagePainter::paint(painter, prepared, i);
        }
    }

    void absurdRowCount() {
        const ReportTemplate t = TemplateReader::readText(R"(<TfrxReport><TfrxReportPage>
            <TfrxMasterData Height="20" RowCount="2000000000"/></TfrxReportPage></TfrxReport>)",
                                                          "x");
        QCOMPARE(t.pages.at(0).bands.at(0).rowCount, 10000);
    }

    void pictureFromAPipe() {
        // Opening a named pipe waits for a writer that never comes.
        const QString pipe = dir_.filePath("tubo.bmp");
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        const QString path = dir_.filePath("tubo.fr3");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral(R"(<TfrxReport><TfrxReportPage><TfrxReportTitle Height="30">
            <TfrxPictureView Width="30" Height="30" FileLink="%1"/></TfrxReportTitle>
            </TfrxReportPage></TfrxReport>)")
                    .arg(pipe)
                    .toUtf8());
        f.close();
        Report report;
        QVERIFY(report.loadFromFile(path));
        QVERIFY(report.prepare().pages.at(0).items.at(0).picture.isNull());
    }

    void csvLineBreakInAField() {
        PreparedReport report;
        report.pages.emplace_back();
        for (const QString& text : {QStringLiteral("Juan\r\nLuis"), QStringLiteral("a\rb")}) {
            PageItem item;
            item.line = 0;
            item.rect = QRectF(report.pages[0].items.size() * 100, 0, 90, 20);
            item.text = text;
            report.pages[0].items.push_back(item);
        }
        QCOMPARE(CsvExport::toCsv(report), QByteArray("Juan Luis;a b\r\n"));
    }

    // --- What a text shows ---------------------------------------------------------------------

    void expressions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("variable") << "[tdesde]"
                                  << ""
                                  << "Desde: 04/03/2024";
        QTest::newRow("quote inside a variable") << "[comilla]"
                                                 << ""
                                                 << "D'ARCY";
        QTest::newRow("field of the current row, two decimals") << "[ticados2.\"num_horas\"] h"
                                                                << "%2.2f"
                                                                << "15,00 h";
        QTest::newRow("field in angle brackets") << "[<ticados2.\"trabajador\">]"
                                                 << ""
                                                 << "GARCIA LOPEZ ANA";
        QTest::newRow("unknown name left as written") << "[nadie] y [tdesde]"
                                                      << ""
                                                      << "[nadie] y Desde: 04/03/2024";
        QTest::newRow("field the data set has not") << "<[ticados2.\"fecha\"]>"
                                                    << ""
                                                    << "<>";
        QTest::newRow("no brackets") << "Horas"
                                     << "%2.2f"
                                     << "Horas";
        QTest::newRow("today, from the station's clock") << "[Date]"
                                                         << ""
                                                         << "5/3/24";
        // A template's absurd width or precision must not build a text of millions of
        // characters for every row.
        QTest::newRow("absurd width") << "[5]"
                                      << "%10000000d" << QString(98, ' ') + "5";
        QTest::newRow("absurd precision") << "[5]"
                                          << "%.10000000f"
                                          << "5," + QString(99, '0');
    }
    void expressions() {
        QFETCH(QString, text);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        Clock::setInstance(new TestClock(QDateTime(QDate(2024, 3, 5), QTime(10, 0))));
        Report report;
        report.registerDataset(&ticados2);
        const QString path = dir_.filePath("expr.fr3");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QString memo = text.toHtmlEscaped();
        f.write(QStringLiteral(R"(<TfrxReport><TfrxReportPage><TfrxReportTitle Height="30">
            <TfrxMemoView Width="300" Height="20" DisplayFormat.FormatStr="%1" Text="%2"/>
            </TfrxReportTitle></TfrxReportPage></TfrxReport>)")
                    .arg(format, memo)
                    .toUtf8());
        f.close();
        QVERIFY(report.loadFromFile(path));
        report.setVariable("tdesde", Expression::quoted("Desde: 04/03/2024"));
        report.setVariable("comilla", Expression::quoted("D'ARCY"));
        QCOMPARE(texts(report.prepare()), QStringList{shown});
    }

    // --- The preview window -------------------------------------------------------------------

    void showReportOpensTheModalPreview() {
        // No hook: the real preview, modal; a timer plays the user who looks and closes it.
        frxDBDataset1.setSource(totals_.get());
        Report report;
        prepare(report, "controlhorariototales.fr3");
        report.setFileName("Control horario ");
        QStringList seen;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget())) {
                seen << preview->windowTitle() + " | " + preview->lpagina->text();
                preview->grab().save(QDir::temp().filePath("informe_vista_previa_modal.png"));
                preview->btCerrar->click();
            }
        });
        closer.start(50);
        report.showReport();
        closer.stop();
        QCOMPARE(seen, QStringList{"Vista previa - Control horario  | Página 1 de 1"});
    }

    void preview() {
        frxDBDataset1.setSource(rows_.get());
        TestDatabase::run(
            kDb,
            "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL) "
            "with recursive s(n) as (select 1 union all select n+1 from s where n<28) "
            "select date_add('2024-02-04', interval n day), 2, 'MARTIN RUIZ LUIS', "
            "'08:00:00', '15:00:00' from s;");
        rows_->close();
        rows_->setSql("select * from ticadoscompleto order by idt,fecha desc,entradam,entradat");
        rows_->open();
        Report report;
        const PreparedReport& prepared = prepare(report, "controlhorario.fr3");
        // Worker 2's 29 days take two pages.
        const int pages = int(prepared.pages.size());
        QCOMPARE(pages, 5);
        ReportPreview preview(prepared);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.lpagina->text(), "Página 1 de 5");
        QVERIFY(!preview.btAnterior->isEnabled());
        QTest::mouseClick(preview.btSiguiente, Qt::LeftButton);
        QCOMPARE(preview.lpagina->text(), "Página 2 de 5");
        preview.grab().save(QDir::temp().filePath("informe_vista_previa.png"));
        QTest::mouseClick(preview.btUltima, Qt::LeftButton);
        QCOMPARE(preview.lpagina->text(), "Página 5 de 5");
        QVERIFY(!preview.btSiguiente->isEnabled());
        preview.cbZoom->setCurrentIndex(0);
        QCOMPARE(preview.zoom(), 0.5);

        // PDF and CSV through the save dialog's hook; printing through the print dialog's.
        QStringList asked;
        const auto oldSave = ReportPreview::setSaveFileHook(
            [&](QWidget*, const QString& caption, const QString& suggested, const QString&) {
                asked << caption + " " + QFileInfo(suggested).fileName();
                return dir_.filePath(caption.endsWith("PDF") ? "vista.pdf" : "vista.csv");
            });
        const auto oldPrint = ReportPreview::setPrintDialogHook([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir_.filePath("impreso.pdf"));
            return true;
        });
        QTest::mouseClick(preview.btPdf, Qt::LeftButton);
        QTest::mouseClick(preview.btCsv, Qt::LeftButton);
        QTest::mouseClick(preview.btImprimir, Qt::LeftButton);
        ReportPreview::setSaveFileHook(oldSave);
        ReportPreview::setPrintDialogHook(oldPrint);
        QCOMPARE(recorder_->messages, QStringList());
        QCOMPARE(asked, QStringList({"Exportar a PDF Control horario.pdf",
                                     "Exportar a CSV Control horario.csv"}));
        QCOMPARE(pdfPages(dir_.filePath("vista.pdf")), pages);
        QCOMPARE(pdfPages(dir_.filePath("impreso.pdf")), pages);
        QVERIFY(pdfText(dir_.filePath("impreso.pdf")).contains("Página 5 de 5"));
        QFile csv(dir_.filePath("vista.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray content = csv.readAll();
        QVERIFY2(content.contains(QString("Jornadas: 29;Total horas: 204,00\r\n").toLatin1()),
                 content.constData());
        QVERIFY(content.contains(QString("\r\nJornadas del informe: 33;").toLatin1()));
    }
};

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
