#include "ildabuilder.h"
#include "toolrunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class TestIldatool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private slots:
    void dumpPrintsJson()
    {
        const QString path = writeFile(QStringLiteral("a.ild"), IldaBuilder()
                                                                    .header(5, 2, "abc", "I\"q", 0, 1, 2, 0)
                                                                    .point5(-1, 2, 0, 10, 20, 30)
                                                                    .point5(3, 4, 0x80, 1, 2, 3)
                                                                    .header(5, 0)
                                                                    .bytes());
        const ToolResult r = runIldatool({QStringLiteral("dump"), path});
        QCOMPARE(r.exitCode, 0);
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(r.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.value("paletteSize").toInt(), 918);
        QCOMPARE(doc.value("maxPointCount").toInt(), 2);
        const QJsonObject frame = doc.value("frames").toArray().at(0).toObject();
        QCOMPARE(frame.value("name").toString(), QStringLiteral("abc"));
        QCOMPARE(frame.value("company").toString(), QStringLiteral("I\"q"));
        QCOMPARE(frame.value("projector").toInt(), 2);
        const QJsonArray v0 = frame.value("vertices").toArray().at(0).toArray();
        QCOMPARE(v0, QJsonArray({-1, 2, 0, 10, 20, 30, 0x40, 55}));
    }

    void convertRewritesEveryFrameChecked()
    {
        const QByteArray original = IldaBuilder()
                                        .header(1, 1, "f0", "c", 0, 2)
                                        .point1(1, 1, 0xC0, 3)
                                        .header(1, 1, "f1", "c", 1, 2)
                                        .point1(2, 2, 0xC0, 4)
                                        .bytes();
        const QString in = writeFile(QStringLiteral("in.ild"), original);
        const QString outPath = m_dir.filePath(QStringLiteral("out.ild"));
        const ToolResult r = runIldatool({QStringLiteral("convert"), in, outPath});
        QCOMPARE(r.exitCode, 0);
        QFile f(outPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original);
    }

    // Exit status follows the worst finding; --json gives the same findings.
    void lintExitAndJson_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("rules");
        const QByteArray longStep = IldaBuilder()
                                        .header(5, 2, "f", "c", 0, 1)
                                        .point5(0, 0, 0x40, 0, 0, 0)
                                        .point5(5000, 0, 0x80, 255, 0, 0)
                                        .header(5, 0)
                                        .bytes();
        QTest::newRow("warning_only_exits_0") << longStep << QStringList() << 0 << QStringList{"step-length"};
        QTest::newRow("max_step_option") << longStep << QStringList{"--max-step", "6000"} << 0 << QStringList();
        QTest::newRow("error_exits_1") << longStep << QStringList{"--max-points", "1"} << 1
                                       << QStringList{"point-limit", "step-length"};
        QTest::newRow("bad_option_exits_2") << longStep << QStringList{"--max-step", "far"} << 2 << QStringList();
    }
    void lintExitAndJson()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, rules);
        const QString path = writeFile(QStringLiteral("lint.ild"), bytes);
        const ToolResult r = runIldatool(QStringList{"lint", path, "--json"} + options);
        QCOMPARE(r.exitCode, code);
        if (code == 2)
            return;
        const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
        QStringList found;
        for (const QJsonValue &f : doc.value("findings").toArray())
            found << f.toObject().value("rule").toString();
        found.sort();
        QCOMPARE(found, rules);
        QCOMPARE(doc.value("errors").toInt() > 0, code == 1);
        const ToolResult plain = runIldatool(QStringList{"lint", path} + options);
        QCOMPARE(plain.exitCode, code);
        QCOMPARE(plain.out.count('\n'), rules.size() + 1);
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no_command") << QStringList() << 2;
        QTest::newRow("unknown_command") << QStringList{"frobnicate"} << 2;
        QTest::newRow("dump_without_file") << QStringList{"dump"} << 2;
        QTest::newRow("dump_bad_option") << QStringList{"dump", "--nope", "x"} << 2;
        QTest::newRow("dump_help") << QStringList{"dump", "--help"} << 0;
        QTest::newRow("dump_missing_file") << QStringList{"dump", "/nonexistent/a.ild"} << 1;
        QTest::newRow("convert_help") << QStringList{"convert", "--help"} << 0;
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QCOMPARE(runIldatool(args).exitCode, code);
    }

    void notIldaIsBadInput()
    {
        const QString path = writeFile(QStringLiteral("junk.ild"), "this is not ILDA");
        const ToolResult r = runIldatool({QStringLiteral("dump"), path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("not an ILDA file"));
    }
};

QTEST_GUILESS_MAIN(TestIldatool)
#include "tst_ildatool.moc"
