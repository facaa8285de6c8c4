#include "toolrunner.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtTest>

// Every file ildatool writes, compared byte for byte with the expected file in
// tests/data/golden/expected (PNG images by their decoded pixels). A mismatch
// leaves NAME.actual beside this test's executable.
// BEAMDECK_UPDATE_GOLDEN=1 rewrites the expected files from the current build.
class TestGolden : public QObject
{
    Q_OBJECT

    static QString dataDir() { return QStringLiteral(BEAMDECK_TEST_DATA "/golden/"); }
    static QString expectedPath(const QString &name) { return dataDir() + QStringLiteral("expected/") + name; }

    static QByteArray readBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QImage pixels(const QByteArray &png)
    {
        return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
    }

private slots:
    void outputs_data()
    {
        // "@in/" names an input, "@exp/" an expected file read back, "@out"
        // the output file; without "@out" the output is what the tool prints.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("golden");
        const auto row = [](const char *golden, const QString &args) {
            QTest::newRow(golden) << args.split(QLatin1Char(' ')) << QString::fromLatin1(golden);
        };
        for (const char *in : {"fmt0", "fmt1", "fmt4", "fmt5", "palette"})
            row(qPrintable(QStringLiteral("convert_%1.ild").arg(QLatin1String(in))),
                QStringLiteral("convert @in/%1.ild @out").arg(QLatin1String(in)));
        row("convert_fmt0_palette1.ild", QStringLiteral("convert @in/fmt0.ild @out --palette 1"));
        row("convert_table.ild", QStringLiteral("convert @in/table.c @out"));
        for (int type = 0; type <= 3; ++type)
            row(qPrintable(QStringLiteral("convert_fmt5_type%1.c").arg(type)),
                QStringLiteral("convert @in/fmt5.ild @out --type %1").arg(type));
        row("convert_fmt0_type0_palette0.c", QStringLiteral("convert @in/fmt0.ild @out --type 0 --palette 0"));
        row("convert_fmt0_type0_palette1.c", QStringLiteral("convert @in/fmt0.ild @out --type 0 --palette 1"));
        row("convert_fmt1_type3_palette1.c", QStringLiteral("convert @in/fmt1.ild @out --type 3 --palette 1"));
        row("convert_fmt4_type2.c", QStringLiteral("convert @in/fmt4.ild @out --type 2"));
        row("convert_palette_type1.c", QStringLiteral("convert @in/palette.ild @out --type 1"));
        row("convert_table_type3.c", QStringLiteral("convert @in/table.c @out --type 3"));
        row("revise_fmt5.ild", QStringLiteral("revise @in/fmt5.ild @out --between 2 --add 2 --blank 1 --total 5"));
        row("revise_fmt0_thin.ild", QStringLiteral("revise @in/fmt0.ild @out --between 1 --add 0 --blank 0 --total 5"));
        // The group images carry the creation time: --time, else SOURCE_DATE_EPOCH.
        row("group_list.ilg", QStringLiteral("group --list @in/show/play/play.list @out --time 1700000000"));
        row("group_list_palette1.ilg", QStringLiteral("group --list @in/show/play/play.list @out --palette 1"));
        row("group_list.txg", QStringLiteral("group --list @in/show/play/play.list @out --time 1700000000"));
        row("group_csv.ilg", QStringLiteral("group --csv @in/show/play/alpha.csv @out --time 1700000000"));
        row("group_csv.txg", QStringLiteral("group --csv @in/show/play/beta.csv @out"));
        row("group_csv.ild", QStringLiteral("group --csv @in/show/play/alpha.csv @out"));
        row("optimize_fmt5.ild", QStringLiteral("optimize @in/fmt5.ild @out"));
        row("optimize_fmt0.ild", QStringLiteral("optimize @in/fmt0.ild @out --keep-order --max-step 4000"));
        row("text_stroke.ild", QStringLiteral("text Hi @out --stroke"));
        for (const char *in : {"fmt0", "fmt1", "fmt4", "fmt5", "palette"})
            row(qPrintable(QStringLiteral("dump_%1.json").arg(QLatin1String(in))),
                QStringLiteral("dump @in/%1.ild").arg(QLatin1String(in)));
        row("dump_group_list.json", QStringLiteral("dump @exp/group_list.ilg"));
        row("dump_group_csv.json", QStringLiteral("dump @exp/group_csv.txg"));
        row("render_fmt5.png", QStringLiteral("render @in/fmt5.ild @out --width 96 --height 96"));
        row("render_fmt5_beam.png", QStringLiteral("render @in/fmt5.ild @out --frame 1 --width 96 --height 80 "
                                                   "--size 80 --beam --blanking --center-lines"));
        row("render_fmt0_thumbnail.png", QStringLiteral("render @in/fmt0.ild @out --width 96 --height 96 --thumbnail"));
        row("render_palette.png", QStringLiteral("render @in/palette.ild @out --width 96 --height 96 --blanking"));
        row("render_group.png",
            QStringLiteral("render @exp/group_list.ilg @out --group 1 --file 0 --width 96 --height 96"));
    }

    void outputs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, golden);
        const QString outDir = QCoreApplication::applicationDirPath() + QStringLiteral("/golden-out/");
        QVERIFY(QDir().mkpath(outDir));
        const QString out = outDir + golden;
        QFile::remove(out);
        const QString actualPath = QCoreApplication::applicationDirPath() + QLatin1Char('/') + golden + ".actual";
        QFile::remove(actualPath);
        bool toFile = false;
        for (QString &a : args) {
            if (a == QLatin1String("@out")) {
                a = out;
                toFile = true;
            }
            a.replace(QLatin1String("@in/"), dataDir() + QStringLiteral("input/"));
            a.replace(QLatin1String("@exp/"), dataDir() + QStringLiteral("expected/"));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1600000000"));
        const ToolResult r = runProgram(QStringLiteral(ILDATOOL_PATH), args, env);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QByteArray actual = toFile ? readBytes(out) : r.out;
        QVERIFY(!actual.isEmpty());

        if (qEnvironmentVariableIntValue("BEAMDECK_UPDATE_GOLDEN") == 1) {
            QVERIFY(writeBytes(expectedPath(golden), actual));
            return;
        }
        const QByteArray expected = readBytes(expectedPath(golden));
        QVERIFY2(!expected.isEmpty(), qPrintable(QStringLiteral("no expected file ") + expectedPath(golden)));
        const bool same =
            golden.endsWith(QLatin1String(".png")) ? pixels(actual) == pixels(expected) : actual == expected;
        if (!same)
            writeBytes(actualPath, actual);
        QVERIFY2(
            same,
            qPrintable(QStringLiteral("differs from %1; output saved as %2").arg(expectedPath(golden), actualPath)));
    }
};

QTEST_GUILESS_MAIN(TestGolden)
#include "tst_golden.moc"
