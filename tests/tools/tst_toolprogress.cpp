// ildatool's progress line: the formatter with a fake clock and terminal
// flag, and the real tool with its standard error piped, where it must stay
// silent.

#include "colorcontext.h"
#include "ildframeset.h"
#include "toolprogress.h"
#include "toolrunner.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using Steps = QList<QPair<int, int>>;

class TestToolProgress : public QObject
{
    Q_OBJECT

private slots:
    // Each step: the clock, then a report of done out of 100 (-1: finish,
    // -2: a message on standard error).
    void lineOnATerminalOnly_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("written");
        QTest::newRow("nothing_in_the_first_second") << true << Steps{{0, 10}, {999, 90}, {1000, -1}} << "";
        QTest::newRow("shown_after_a_second_then_cleared")
            << true << Steps{{1000, 5}, {1200, 50}, {1300, -1}}
            << "\rildatool revise: revising 5%\rildatool revise: revising 50%\r                             \r";
        const QString clear28 = QLatin1Char('\r') + QString(28, QLatin1Char(' ')) + QLatin1Char('\r');
        QTest::newRow("at_most_every_100_ms")
            << true << Steps{{1000, 1}, {1050, 2}, {1100, 3}}
            << "\rildatool revise: revising 1%\rildatool revise: revising 3%" + clear28;
        QTest::newRow("same_text_not_repeated")
            << true << Steps{{1000, 7}, {1500, 7}} << "\rildatool revise: revising 7%" + clear28;
        QTest::newRow("cleared_as_wide_as_the_widest_line")
            << true << Steps{{1000, 100}, {1100, 9}}
            << "\rildatool revise: revising 100%\rildatool revise: revising 9%  \r" + QString(30, QLatin1Char(' ')) +
                   "\r";
        QTest::newRow("a_message_clears_it_the_next_report_redraws")
            << true << Steps{{1000, 4}, {1100, -2}, {1200, 4}}
            << "\rildatool revise: revising 4%" + clear28 + "\rildatool revise: revising 4%" + clear28;
        QTest::newRow("never_without_a_terminal") << false << Steps{{5000, 50}, {9000, -1}} << "";
    }
    void lineOnATerminalOnly()
    {
        QFETCH(bool, terminal);
        QFETCH(Steps, steps);
        QFETCH(QString, written);
        qint64 now = 0;
        QString text;
        {
            ToolProgress p(
                QStringLiteral("revise"), terminal, [&now] { return now; }, [&text](const QString &t) { text += t; });
            p.setStage(QStringLiteral("revising"));
            for (const auto &step : steps) {
                now = step.first;
                if (step.second == -2)
                    ToolProgress::clearActiveLine(); // as err() does
                else if (step.second < 0)
                    p.finish();
                else
                    p.callback()(step.second, 100);
            }
        }
        QCOMPARE(text, written);
    }

    // Piped, even with no wait at all, the commands print no progress.
    void silentWhenPiped_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("dump") << QStringList{"dump", "IN"};
        QTest::newRow("convert") << QStringList{"convert", "IN", "OUT"};
        QTest::newRow("revise") << QStringList{"revise", "IN",      "OUT", "--between", "1", "--add",
                                               "0",      "--blank", "1",   "--total",   "50"};
        QTest::newRow("optimize") << QStringList{"optimize", "IN", "OUT"};
        QTest::newRow("group") << QStringList{"group", "--list", "LIST", "OUT.ilg"};
    }
    void silentWhenPiped()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        QVERIFY(runIldatool({QStringLiteral("demo"), dir.path()}).exitCode == 0);
        // Large enough that reading reports several times.
        IldFrameSet set;
        for (int i = 0; i < 120; ++i) {
            IldFrame f;
            f.format = 5;
            f.check = true;
            f.vertices.resize(600);
            for (int k = 0; k < 600; ++k)
                f.vertices[size_t(k)].x = qint16(k * 50 - 15000);
            f.pointCount = 600;
            set.frames.push_back(f);
        }
        QVERIFY(set.saveIld(dir.filePath(QStringLiteral("in.ild")), ColorContext())); // true colour
        args.replaceInStrings(QRegularExpression(QStringLiteral("^IN$")), dir.filePath(QStringLiteral("in.ild")));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT$")), dir.filePath(QStringLiteral("out.ild")));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT.ilg$")), dir.filePath(QStringLiteral("out.ilg")));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^LIST$")),
                              dir.filePath(QStringLiteral("play/play.list")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ILDATOOL_PROGRESS_AFTER_MS"), QStringLiteral("0"));
        const ToolResult r = runProgram(QStringLiteral(ILDATOOL_PATH), args, env);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(!r.err.contains('\r'));
        QVERIFY(!QString::fromUtf8(r.err).contains(QRegularExpression(QStringLiteral("ildatool \\w+: \\w+ \\d+%"))));
    }
};

QTEST_GUILESS_MAIN(TestToolProgress)
#include "tst_toolprogress.moc"
