#include "filenamecodec.h"
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
    // As the tool does: arguments and file names keep every byte.
    void initTestCase() { FileNameCodec::installForLocale(); }

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

    // Every numeric option of every command: NaN, infinities, values that
    // overflow and values just outside the range are usage errors, found
    // before any file is read or written.
    void numericOptionsOutOfRange_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("outside");
        const QString in = m_dir.filePath("in.ild");
        const QString out = m_dir.filePath("never.ild");
        const QStringList import{"import", m_dir.filePath("in.svg"), out};
        const QStringList text{"text", "abc", out};
        const QStringList optimize{"optimize", in, out};
        const struct
        {
            QStringList command;
            const char *option;
            const char *outside;
        } options[] = {
            {import, "margin", "0.95"},
            {import, "tolerance", "0"},
            {import, "max-step", "0.5"},
            {import, "corner-angle", "181"},
            {import, "dwell-off", "-1"},
            {import, "dwell-on", "1001"},
            {import, "corner-dwell", "-1"},
            {import, "budget", "0"},
            {text, "margin", "-0.1"},
            {text, "tolerance", "10.5"},
            {text, "max-step", "65535"},
            {text, "corner-angle", "-1"},
            {optimize, "max-step", "0"},
            {optimize, "budget", "65536"},
            {{"stream", in, "--to", "127.0.0.1:9"}, "fps", "0"},
            {{"stream", in, "--to", "127.0.0.1:9"}, "size", "-1"},
            {{"stream", in, "--to", "127.0.0.1:9"}, "max-points", "65536"},
            {{"stream", in, "--to", "127.0.0.1:9"}, "limit", "-1"},
            {{"render", in, m_dir.filePath("never.png")}, "size", "0"},
            {{"render", in, m_dir.filePath("never.png")}, "width", "16385"},
            {{"render", in, m_dir.filePath("never.png")}, "frame", "-1"},
            {{"lint", in}, "max-step", "0"},
            {{"lint", in}, "max-points", "0"},
            {{"convert", in, out}, "type", "4"},
            {{"revise", in, out, "--between", "1", "--add", "1", "--blank", "1", "--total", "1"}, "add", "-1"},
            {{"discover"}, "timeout", "-1"},
            {{"projector", "--port", "0"}, "duration", "-1"},
        };
        for (const auto &o : options)
            for (const char *value : {"nan", "inf", "-inf", "1e999", "99999999999999999999", "x", o.outside})
                QTest::addRow("%s_%s_%s", qPrintable(o.command.first()), o.option, value)
                    << o.command << QString::fromLatin1(o.option) << QString::fromLatin1(value);
    }
    void numericOptionsOutOfRange()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, option);
        QFETCH(QString, outside);
        const ToolResult r = runIldatool(command + QStringList{"--" + option, outside}, 20000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("--" + option.toUtf8() + " must be"), r.err.constData());
        QVERIFY(!QFile::exists(m_dir.filePath("never.ild")));
    }

    // The budget is kept or nothing is written; a failed write says why.
    void framesNotWrittenSayWhy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("why");
        QTest::newRow("over_budget") << QStringList{"text", "abc", "OUT", "--budget", "2"}
                                     << QByteArray("budget 2; raise --budget");
        QTest::newRow("folder_missing") << QStringList{"text", "abc", "/nonexistent/o.ild"}
                                        << QByteArray("could not write /nonexistent/o.ild: ");
    }
    void framesNotWrittenSayWhy()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, why);
        const QString out = m_dir.filePath("kept.ild");
        writeFile("kept.ild", "previous");
        for (QString &a : args)
            if (a == QLatin1String("OUT"))
                a = out;
        const ToolResult r = runIldatool(args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(why), r.err.constData());
        QVERIFY(r.err.contains(" is unchanged"));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("previous"));
    }

    // A name that is not valid UTF-8 (here Latin-1) is opened by its bytes.
    void nonUtf8FileNames()
    {
        const QString in = QFile::decodeName(QFile::encodeName(m_dir.path()) + "/caf\xe9.ild");
        QCOMPARE(QFile::encodeName(in), QFile::encodeName(m_dir.path()) + "/caf\xe9.ild");
        writeFile(QFileInfo(in).fileName(), IldaBuilder().header(5, 1).point5(0, 0, 0x80, 1, 2, 3).bytes());
        const QString out = QFile::decodeName(QFile::encodeName(m_dir.path()) + "/\xff.ild");
        const ToolResult r = runIldatool({QStringLiteral("convert"), in, out});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(QDir(m_dir.path()).entryList().contains(QFileInfo(out).fileName()));
    }

    void fileNameCodecKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("utf8") << QByteArray("caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80");
        QTest::newRow("latin1") << QByteArray("caf\xe9");
        QTest::newRow("cut_sequence") << QByteArray("a\xe4\xb8");
        QTest::newRow("overlong") << QByteArray("\xc0\x80\xe0\x80\x80");
        QTest::newRow("encoded_surrogate") << QByteArray("\xed\xa0\x80\xed\xb2\x80");
        QTest::newRow("past_unicode") << QByteArray("\xf4\x90\x80\x80\xff\xfe");
    }
    void fileNameCodecKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        FileNameCodec codec;
        const QString text = codec.toUnicode(bytes);
        QCOMPARE(codec.fromUnicode(text), bytes);
        if (QString::fromUtf8(bytes).toUtf8() == bytes)
            QCOMPARE(text, QString::fromUtf8(bytes));
        // Byte by byte through a decoder gives the same.
        QTextDecoder decoder(&codec);
        QString pieces;
        for (char c : bytes + '.')
            pieces += decoder.toUnicode(&c, 1);
        QCOMPARE(pieces, codec.toUnicode(bytes + '.'));
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
