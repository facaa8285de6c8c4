#include "colorresolve.h"
#include "ctable.h"
#include "fakeprompt.h"
#include "framesetmodel.h"
#include "ildabuilder.h"
#include "ildafile.h"
#include "ildframeset.h"
#include "palette.h"
#include "sharedframes.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void twoCheckedFrames(IldFrameSet &work)
{
    work.frames.clear();
    for (int i = 0; i < 2; ++i) {
        IldFrame f;
        f.format = 5;
        f.check = true;
        IldVertex a, b;
        a.status = IldVertex::Blanked;
        b.x = qint16(1000 * (i + 1));
        b.r = 255;
        f.vertices = {a, b};
        f.pointCount = 2;
        work.frames.push_back(f);
    }
}

} // namespace

class TestIldaFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    SharedFrames shared;
    ildaFile element;

private slots:
    void initTestCase() { element.setFrameContext(&shared.frames); }

    void init()
    {
        shared.work.frames.clear();
        shared.revised.frames.clear();
        shared.model.refrushModel();
    }

    void saveIldSuffix_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "plain"
                                   << "plain.ild";
        QTest::newRow("with suffix") << "named.ild"
                                     << "named.ild";
    }
    void saveIldSuffix()
    {
        QFETCH(QString, name);
        QFETCH(QString, written);
        twoCheckedFrames(shared.work);
        QSignalSpy reset(&shared.model, &QAbstractItemModel::modelReset);
        element.saveData(QUrl::fromLocalFile(dir.filePath(name)), QStringLiteral("ILDA files (*.ild )"));
        QCOMPARE(shared.ildaFilePath, dir.filePath(written));
        QVERIFY(QFile::exists(dir.filePath(written)));
        QVERIFY(!QFile::exists(dir.filePath(written + QStringLiteral(".ild"))));
        QCOMPARE(reset.count(), 1);

        // What was saved loads back, appended behind what is there.
        element.loadData(QUrl::fromLocalFile(dir.filePath(written)));
        QCOMPARE(shared.work.frames.size(), size_t(4));
        QCOMPARE(shared.work.frames[3].vertices[1].x, qint16(2000));
        QCOMPARE(shared.model.rowCount(), 4);
        QCOMPARE(reset.count(), 2);
    }

    void relativeNameWithoutScheme()
    {
        twoCheckedFrames(shared.work);
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        element.saveData(QUrl(QStringLiteral("relative")), QStringLiteral("ILDA files (*.ild )"));
        QDir::setCurrent(old);
        QCOMPARE(shared.ildaFilePath, QStringLiteral("relative.ild"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("relative.ild"))));
    }

    // Each save type to each suffix, against the bytes saved: the ILDA file
    // honours the type as the C table does; 调色表 means nothing in an ILDA
    // file and writes nothing, with a word.
    void saveTypeToSuffix_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("written"); // which set, or "nothing"
        const char *sets[] = {"work", "revised", "work", "work"};
        for (int type = 0; type < 4; ++type) {
            QTest::addRow("type_%d_c", type) << type << "c" << sets[type];
            QTest::addRow("type_%d_ild", type) << type << "ild" << (type == 3 ? "nothing" : sets[type]);
        }
    }
    void saveTypeToSuffix()
    {
        QFETCH(int, type);
        QFETCH(QString, suffix);
        QFETCH(QString, written);
        FakePrompt prompt;
        shared.frames.prompt = &prompt;
        twoCheckedFrames(shared.work);
        shared.work.frames[1].scaleX = 2.0f; // shows whether transforms are applied
        shared.model.refrushModel();
        shared.model.reviseFrameSet(1, 0, 0, 1); // one point a frame
        const IldFrameSet set = written == QLatin1String("revised") ? shared.revised : shared.work;
        QByteArray expected;
        if (suffix == QLatin1String("c"))
            expected = exportCTable(set, type, shared.view->colors);
        else
            set.toIldaBytes(expected, shared.view->colors);
        QByteArray workIld;
        shared.work.toIldaBytes(workIld, shared.view->colors);

        const QString path = dir.filePath(QStringLiteral("type%1.%2").arg(type).arg(suffix));
        const QString filter = suffix == QLatin1String("c") ? "MCU files (*.c )" : "ilda files (*.ild )";
        const bool saved = element.saveData(QUrl::fromLocalFile(path), filter, type);
        shared.frames.prompt = nullptr;
        if (written == QLatin1String("nothing")) {
            QVERIFY(!saved);
            QVERIFY(!QFile::exists(path));
            QCOMPARE(prompt.boxes.size(), 1);
            QVERIFY(prompt.boxes[0]->text.contains(QStringLiteral("调色表")));
            return;
        }
        QVERIFY(saved);
        QCOMPARE(prompt.boxes.size(), 0);
        QCOMPARE(readAll(path), expected);
        QCOMPARE(expected == workIld, suffix == QLatin1String("ild") && written == QLatin1String("work"));
    }

    // Revised frames of a list that changed since are never saved: the user
    // is asked to revise again (with the last settings) or told to revise
    // first; the marks saved are the list's own.
    void staleRevisedFramesAreNotSaved_data()
    {
        QTest::addColumn<bool>("revisedBefore");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::newRow("never_revised_told") << false << int(UserPrompt::Ok) << false;
        QTest::newRow("stale_declined") << true << int(UserPrompt::No) << false;
        QTest::newRow("stale_revised_again") << true << int(UserPrompt::Yes) << true;
    }
    void staleRevisedFramesAreNotSaved()
    {
        QFETCH(bool, revisedBefore);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        FakePrompt prompt;
        prompt.modalAnswer = UserPrompt::Button(answer);
        frameSetModel fresh(shared.work, shared.revised, *shared.view.get()); // never revised
        frameSetModel &model = revisedBefore ? shared.model : fresh;
        shared.frames.prompt = &prompt;
        shared.frames.model = &model;
        const auto back = qScopeGuard([this] {
            shared.frames.prompt = nullptr;
            shared.frames.model = &shared.model;
        });
        twoCheckedFrames(shared.work);
        model.refrushModel();
        if (revisedBefore)
            model.reviseFrameSet(1, 0, 0, 1);
        model.selectAll();
        model.deleteFrame(); // every frame goes, with the revised ones
        IldFrameSet added;
        twoCheckedFrames(added);
        added.frames[0].vertices[1].x = 7000;
        added.frames[1].check = false;
        model.appendRead(added);

        const QString path = dir.filePath(QStringLiteral("stale%1.ild").arg(answer));
        QCOMPARE(element.saveData(QUrl::fromLocalFile(path), QStringLiteral("ilda files (*.ild )"), 1), saved);
        QCOMPARE(prompt.boxes.size(), 1);
        QCOMPARE(prompt.boxes[0]->icon, revisedBefore ? UserPrompt::Question : UserPrompt::Warning);
        QCOMPARE(QFile::exists(path), saved);
        if (!saved)
            return;
        IldFrameSet read;
        read.fromFileIld(path, false);
        QCOMPARE(read.frames.size(), size_t(1)); // the checked one of the new frames
        QCOMPARE(read.frames[0].vertices.back().x, qint16(7000));
        QVERIFY(model.revisedCurrent());
    }

    void unknownFilterWritesNothing()
    {
        FakePrompt prompt;
        shared.frames.prompt = &prompt;
        twoCheckedFrames(shared.work);
        QSignalSpy reset(&shared.model, &QAbstractItemModel::modelReset);
        QVERIFY(
            !element.saveData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("nothing"))), QStringLiteral("All (*)")));
        QCOMPARE(shared.ildaFilePath, dir.filePath(QStringLiteral("nothing")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nothing"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nothing.ild"))));
        QCOMPARE(prompt.boxes.size(), 1); // said, not reported as saved
        shared.frames.prompt = nullptr;
    }

    // A typed suffix decides the type whatever filter the dialog shows.
    void typedSuffixWins_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("cTable");
        QTest::newRow("c under the ILDA filter") << "t.c"
                                                 << "ilda files (*.ild )" << true;
        QTest::newRow("ild under the MCU filter") << "t.ild"
                                                  << "MCU files (*.c )" << false;
        QTest::newRow("ild under all files") << "t.ild"
                                             << "files (*.*)" << false;
    }
    void typedSuffixWins()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, cTable);
        twoCheckedFrames(shared.work);
        QVERIFY(element.saveData(QUrl::fromLocalFile(dir.filePath(name)), filter));
        QCOMPARE(shared.ildaFilePath, dir.filePath(name));
        QFile f(shared.ildaFilePath);
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
        QSignalSpy reset(&shared.model, &QAbstractItemModel::modelReset);
        element.loadData(QUrl::fromLocalFile(path));
        QCOMPARE(shared.work.frames.size(), size_t(0));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(shared.ildaFilePath, path);
    }

    void loadMissingFileStillResets()
    {
        QSignalSpy reset(&shared.model, &QAbstractItemModel::modelReset);
        element.loadData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.ild"))));
        element.loadData(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.c"))));
        QCOMPARE(shared.work.frames.size(), size_t(0));
        QCOMPARE(reset.count(), 2);
    }

    // The palettes a file brings join the app's colour list, where frames of
    // later files find them too.
    void paletteJoinsTheSharedColourList()
    {
        IldaBuilder b;
        b.header(2, 256, "pal");
        for (int i = 0; i < 256; ++i)
            b.rgb(quint8(i), 7, 9);
        b.header(1, 1).point1(0, 0, 0, 3).header(5, 0);
        const QString path = dir.filePath(QStringLiteral("palette.ild"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(b.bytes());
        f.close();
        QVERIFY(element.loadData(QUrl::fromLocalFile(path)));
        QCOMPARE(shared.view->palette->rowCount(), 1174);
        IldVertex v;
        v.colorIndex = 5;
        QCOMPARE(displayColor(shared.view->colors, 2, v), qRgb(5, 7, 9));
    }

    void loadCTableGoesThroughImport()
    {
        twoCheckedFrames(shared.work);
        const QByteArray text = exportCTable(shared.work, 0, shared.view->colors);
        IldFrameSet expected;
        importCTable(text, expected);
        const QString path = dir.filePath(QStringLiteral("back.c"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        shared.work.frames.clear();
        element.loadData(QUrl::fromLocalFile(path));
        QCOMPARE(shared.work.frames.size(), expected.frames.size());
    }

    void thumbnailSweep()
    {
        twoCheckedFrames(shared.work);
        shared.model.refrushModel();
        element.testIldaFrameDraw(); // builds and drops one thumbnail per row
        QCOMPARE(shared.work.frames.size(), size_t(2));
    }
};

QTEST_MAIN(TestIldaFile)
#include "tst_ildafile.moc"
