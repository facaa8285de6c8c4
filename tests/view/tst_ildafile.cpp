#include "ctable.h"
#include "fakeprompt.h"
#include "framesetmodel.h"
#include "ildabuilder.h"
#include "ildafile.h"
#include "ildframeset.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void twoCheckedFrames()
{
    IldFrameSet &work = workFrameSet();
    work.frames.clear();
    for (int i = 0; i < 2; ++i) {
        IldFrame f;
        f.format = 5;
        f.check = true;
        IldVertex a, b;
        a.status = IldVertex::Blanked;
        b.x = qint16(1000 * (i + 1));
        b.r = 255;
        f.vertices = { a, b };
        f.pointCount = 2;
        work.frames.push_back(f);
    }
}

} // namespace

class TestIldaFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    ildaFile element;

private slots:
    void init()
    {
        workFrameSet().frames.clear();
        revisedFrameSet().frames.clear();
        frameModelInstance().refrushModel();
    }

    void saveIldSuffix_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "plain" << "plain.ild";
        QTest::newRow("with suffix") << "named.ild" << "named.ild";
    }
    void saveIldSuffix()
    {
        QFETCH(QString, name);
        QFETCH(QString, written);
        twoCheckedFrames();
        QSignalSpy reset(&frameModelInstance(), &QAbstractItemModel::modelReset);
        element.saveData(QUrl::fromLocalFile(dir.filePath(name)), QStringLiteral("ILDA files (*.ild )"));
        QCOMPARE(ildaFilePath(), dir.filePath(written));
        QVERIFY(QFile::exists(dir.filePath(written)));
        QVERIFY(!QFile::exists(dir.filePath(written + QStringLiteral(".ild"))));
        QCOMPARE(reset.count(), 1);

        // What was saved loads back, appended behind what is there.
        element.loadData(QUrl::fromLocalFile(dir.filePath(written)));
        QCOMPARE(workFrameSet().frames.size(), size_t(4));
        QCOMPARE(workFrameSet().frames[3].vertices[1].x, qint16(2000));
        QCOMPARE(frameModelInstance().rowCount(), 4);
        QCOMPARE(reset.count(), 2);
    }

    void relativeNameWithoutScheme()
    {
        twoCheckedFrames();
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        element.saveData(QUrl(QStringLiteral("relative")), QStringLiteral("ILDA files (*.ild )"));
        QDir::setCurrent(old);
        QCOMPARE(ildaFilePath(), QStringLiteral("relative.ild"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("relative.ild"))));
    }

    void saveCTable_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("values") << 0;
        QTest::newRow("revised") << 1;
        QTest::newRow("colour codes") << 3;
    }
    void saveCTable()
    {
        QFETCH(int, type);
        twoCheckedFrames();
        revisedFrameSet() = workFrameSet();
        revisedFrameSet().frames.pop_back();
        const QString name = QStringLiteral("table%1").arg(type);
        element.saveData(QUrl::fromLocalFile(dir.filePath(name)), QStringLiteral("C files (*.c)"), type);
        QCOMPARE(ildaFilePath(), dir.filePath(name + QStringLiteral(".c")));
        QFile f(ildaFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        IldFrameSet &source = type == 1 ? revisedFrameSet() : workFrameSet();
        QCOMPARE(f.readAll(), exportCTable(source, type));
    }

    void unknownFilterWritesNothing()
    {
        FakePrompt prompt;
        twoCheckedFrames();
        QSignalSpy reset(&frameModelInstance(), &QAbstractItemModel::modelReset);
        QVERIFY(!element.saveData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("nothing"))), QStringLiteral("All (*)")));
        QCOMPARE(ildaFilePath(), dir.filePath(QStringLiteral("nothing")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nothing"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nothing.ild"))));
        QCOMPARE(prompt.boxes.size(), 1); // said, not reported as saved
    }

    // A typed suffix decides the type whatever filter the dialog shows.
    void typedSuffixWins_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("cTable");
        QTest::newRow("c under the ILDA filter") << "t.c" << "ilda files (*.ild )" << true;
        QTest::newRow("ild under the MCU filter") << "t.ild" << "MCU files (*.c )" << false;
        QTest::newRow("ild under all files") << "t.ild" << "files (*.*)" << false;
    }
    void typedSuffixWins()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, cTable);
        twoCheckedFrames();
        QVERIFY(element.saveData(QUrl::fromLocalFile(dir.filePath(name)), filter));
        QCOMPARE(ildaFilePath(), dir.filePath(name));
        QFile f(ildaFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(4) == "ILDA", !cTable);
    }

    void unknownSuffixLoadsNothingButResets()
    {
        const QString path = dir.filePath(QStringLiteral("frames.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(IldaBuilder().header(5, 1).point5(0, 0, 0x80, 1, 2, 3).header(5, 0).bytes());
        f.close();
        QSignalSpy reset(&frameModelInstance(), &QAbstractItemModel::modelReset);
        element.loadData(QUrl::fromLocalFile(path));
        QCOMPARE(workFrameSet().frames.size(), size_t(0));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(ildaFilePath(), path);
    }

    void loadMissingFileStillResets()
    {
        QSignalSpy reset(&frameModelInstance(), &QAbstractItemModel::modelReset);
        element.loadData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.ild"))));
        element.loadData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.c"))));
        QCOMPARE(workFrameSet().frames.size(), size_t(0));
        QCOMPARE(reset.count(), 2);
    }

    void loadCTableGoesThroughImport()
    {
        twoCheckedFrames();
        const QByteArray text = exportCTable(workFrameSet(), 0);
        IldFrameSet expected;
        importCTable(text, expected);
        const QString path = dir.filePath(QStringLiteral("back.c"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        workFrameSet().frames.clear();
        element.loadData(QUrl::fromLocalFile(path));
        QCOMPARE(workFrameSet().frames.size(), expected.frames.size());
    }

    void thumbnailSweep()
    {
        twoCheckedFrames();
        frameModelInstance().refrushModel();
        element.testIldaFrameDraw(); // builds and drops one thumbnail per row
        QCOMPARE(workFrameSet().frames.size(), size_t(2));
    }
};

QTEST_MAIN(TestIldaFile)
#include "tst_ildafile.moc"
