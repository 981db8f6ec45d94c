#include <QTemporaryDir>
#include <QTest>

#include "errors.h"
#include "stationconfig.h"
#include "tests.h"

using horalia::StationConfig;

class StationConfigTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        const QStringList five = {"db.local", "station", "secret", "cosecha", "ALMACEN"};
        QTest::newRow("unix line ends") << QByteArray("db.local\nstation\nsecret\ncosecha\nALMACEN\n") << five;
        QTest::newRow("windows line ends")
            << QByteArray("db.local\r\nstation\r\nsecret\r\ncosecha\r\nALMACEN\r\n") << five;
        QTest::newRow("no final line end") << QByteArray("db.local\nstation\nsecret\ncosecha\nALMACEN") << five;
        QTest::newRow("trailing space kept")
            << QByteArray("db.local\nstation\nsecret\ncosecha\nALMACEN \n")
            << QStringList{"db.local", "station", "secret", "cosecha", "ALMACEN "};
        QTest::newRow("spaces at both ends kept")
            << QByteArray(" h \n u\np \nd\n c\n") << QStringList{" h ", " u", "p ", "d", " c"};
        QTest::newRow("four lines: no work centre")
            << QByteArray("h\nu\np\nd\n") << QStringList{"h", "u", "p", "d", ""};
        QTest::newRow("seven lines: the last two ignored")
            << QByteArray("h\nu\np\nd\nc\nextra\nmore\n") << QStringList{"h", "u", "p", "d", "c"};
        QTest::newRow("empty file") << QByteArray() << QStringList{"", "", "", "", ""};
        QTest::newRow("empty lines are empty values")
            << QByteArray("\n\n\nd\n") << QStringList{"", "", "", "d", ""};
        QTest::newRow("binary bytes do not stop the reading")
            << QByteArray("h\0x\nu\n\xff\xfe\nd\nc\n", 15)
            << QStringList{QString::fromLocal8Bit(QByteArray("h\0x", 3)), "u",
                           QString::fromLocal8Bit("\xff\xfe"), "d", "c"};
    }
    void parse() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString file = dir.filePath("config.ini");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        for (const StationConfig& c : {StationConfig::parse(content), StationConfig::read(file)}) {
            QCOMPARE(QStringList({c.host, c.user, c.password, c.database, c.workCentre}), expected);
        }
    }

    void overLongLineDoesNotShiftTheOthers() {
        QTemporaryDir dir;
        QFile f(dir.filePath("config.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(300000, 'x') + "\nu\np\nd\nc\n");
        f.close();
        const StationConfig c = StationConfig::read(f.fileName());
        QCOMPARE(QStringList({c.user, c.password, c.database, c.workCentre}),
                 QStringList({"u", "p", "d", "c"}));
    }

    void unreadableFileIsAFileError_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "does-not-exist.ini";
        QTest::newRow("a folder") << ".";
    }
    void unreadableFileIsAFileError() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        try {
            StationConfig::read(dir.filePath(name));
            QFAIL("no error");
        } catch (const horalia::FileError& e) {
            QVERIFY2(e.text().contains("configuración"), qPrintable(e.text()));
        }
    }
};

QObject* newStationConfigTest() { return new StationConfigTest; }

#include "tst_stationconfig.moc"
