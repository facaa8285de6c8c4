// Starts the real application headless on a demo show, lets it photograph
// each window and fails on any QML warning or an empty picture.

#include "toolrunner.h"

#include <QDir>
#include <QImage>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class TestScreenshots : public QObject
{
    Q_OBJECT
private slots:
    void everyWindowPaintsWithoutQmlWarnings()
    {
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo"));
        const ToolResult made = runIldatool({QStringLiteral("demo"), demo});
        QVERIFY2(made.exitCode == 0, made.err.constData());

        const QString config = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(config));
        QFile ini(QDir(config).filePath(QStringLiteral("_file_dir.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write((demo + QStringLiteral("/\nplay/\nplay.list\n")).toUtf8());
        ini.close();

        const QString shots = QStringLiteral(BEAMDECK_SCREENSHOT_OUT);
        QDir(shots).removeRecursively();

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("BEAMDECK_CONFIG_DIR"), config);
        env.insert(QStringLiteral("BEAMDECK_SCREENSHOT_DIR"), shots);
        // never let a test reach the network: discovery and the server stay on loopback
        env.insert(QStringLiteral("BEAMDECK_DISCOVERY_ADDRESS"), QStringLiteral("127.0.0.1"));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(QStringLiteral(BEAMDECK_APP_PATH), QStringList());
        QVERIFY(app.waitForStarted());
        const bool finished = app.waitForFinished(120000);
        const QByteArray output = app.readAll();
        if (!finished)
            app.kill();
        QVERIFY2(finished, output.constData());
        QVERIFY2(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0, output.constData());

        for (const char *name : {"main.png", "frame-editor.png", "drawing.png"}) {
            const QImage image(QDir(shots).filePath(QString::fromLatin1(name)));
            QVERIFY2(!image.isNull(), name);
            QVERIFY(image.width() >= 600 && image.height() >= 400);
            // A painted window has text, controls and previews: many distinct colours.
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 3)
                for (int x = 0; x < image.width(); x += 3)
                    colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 20, name);
        }
    }
};

QTEST_GUILESS_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
