// Installs the build into a temporary DESTDIR as a distribution does (prefix
// /usr) and checks what lands there: the file list, the launcher entry, the
// MIME package, the Debian package and where the installed program keeps
// its settings.

#include "toolrunner.h"

#include <QDirIterator>
#include <QImage>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dest; // DESTDIR
    QString m_demo;

    QString usr(const QString &relative) const { return m_dest + QStringLiteral("/usr/") + relative; }
    static QString tool(const QString &name)
    {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            qWarning("%s is not installed (scripts/install-deps.sh installs it)", qPrintable(name));
        return path;
    }
    QProcessEnvironment userEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("BEAMDECK_CONFIG_DIR"));
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("home/.cache")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_dest = m_dir.filePath(QStringLiteral("dest"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_dest);
        const ToolResult done = runProgram(QStringLiteral(CMAKE_COMMAND_PATH),
                                           {QStringLiteral("--install"), QStringLiteral(BEAMDECK_BUILD_DIR),
                                            QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                           env);
        QVERIFY2(done.exitCode == 0, done.err.constData());

        // The MIME types come from the installed package (after update-mime-database), the rest from the system.
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data-home")).toUtf8());
        qputenv("XDG_DATA_DIRS", (m_dest + QStringLiteral("/usr/share:/usr/share")).toUtf8());

        m_demo = m_dir.filePath(QStringLiteral("demo"));
        const ToolResult made = runIldatool({QStringLiteral("demo"), m_demo});
        QVERIFY2(made.exitCode == 0, made.err.constData());
    }

    void installsExactlyTheProgramsAndDesktopFiles()
    {
        QStringList installed;
        QDirIterator it(m_dest, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            installed << QDir(m_dest).relativeFilePath(it.next());
        installed.sort();
        QFile golden(QStringLiteral(BEAMDECK_TEST_DATA "/install/files.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList expected = QString::fromUtf8(golden.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(installed, expected);
        QVERIFY(QFileInfo(usr(QStringLiteral("bin/beamdeck"))).isExecutable());
        for (const QString &file : installed) {
            const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("/(\\d+)x\\1/")).match(file);
            if (size.hasMatch())
                QCOMPARE(QImage(m_dest + '/' + file).width(), size.captured(1).toInt());
        }
    }

    void filesPassTheirValidators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop entry") << "desktop-file-validate"
                                       << QStringList{usr("share/applications/beamdeck.desktop")};
        QTest::newRow("MIME package well-formed")
            << "xmllint" << QStringList{"--noout", usr("share/mime/packages/beamdeck.xml")};
        QTest::newRow("MIME database builds") << "update-mime-database" << QStringList{"-V", usr("share/mime")};
    }
    void filesPassTheirValidators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        const QString path = tool(program);
        if (path.isEmpty())
            QSKIP("validator missing");
        const ToolResult r = runProgram(path, args);
        QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
        // Warnings count as failures too: the validators print nothing for a clean file.
        if (program == QLatin1String("desktop-file-validate"))
            QVERIFY2(r.out.isEmpty(), r.out.constData());
        if (program == QLatin1String("update-mime-database"))
            QVERIFY2(!r.err.contains("Error") && !r.err.contains("Warning"), r.err.constData());
    }

    // After update-mime-database (previous test) the types are known by name and by content.
    void mimeTypesAreRecognised_data()
    {
        QTest::addColumn<QString>("source"); // file of the demo show, or "" for text
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        const QString ild = "shows/star.ild";
        QTest::newRow("ILDA file by name") << ild << QByteArray() << "a.ild"
                                           << "application/x-ilda";
        QTest::newRow("ILDA file by content") << ild << QByteArray() << "frames"
                                              << "application/x-ilda";
        QTest::newRow("group image by content") << "image.ilg" << QByteArray() << "image"
                                                << "application/x-beamdeck-group-image";
        QTest::newRow("single-group image by name") << "" << QByteArray("\0\1\2", 3) << "one.ilg"
                                                    << "application/x-beamdeck-group-image";
        QTest::newRow("text group image by content") << "image.txg" << QByteArray() << "dump"
                                                     << "text/x-beamdeck-group-image";
        QTest::newRow("play list") << "play/play.list" << QByteArray() << "show.list"
                                   << "text/x-beamdeck-play-list";
        QTest::newRow("empty play list") << "" << QByteArray("#end\n") << "empty.list"
                                         << "text/x-beamdeck-play-list";
        QTest::newRow("another program's .list file")
            << "" << QByteArray("deb http://deb.example.org/debian stable main\n") << "sources.list"
            << "text/plain";
    }
    void mimeTypesAreRecognised()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(QString, type);
        static const bool images = [this] {
            for (const char *ext : {"ilg", "txg"}) {
                const QString out = QDir(m_demo).filePath(QStringLiteral("image.") + ext);
                if (runIldatool({"group", "--list", m_demo + "/play/play.list", out}).exitCode != 0)
                    return false;
            }
            return true;
        }();
        QVERIFY(images);
        if (!source.isEmpty()) {
            QFile in(QDir(m_demo).filePath(source));
            QVERIFY(in.open(QIODevice::ReadOnly));
            text = in.readAll();
        }
        const QString path = m_dir.filePath(QStringLiteral("sniff/") + name);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        QCOMPARE(QMimeDatabase().mimeTypeForFile(path).name(), type);
    }

    // Every type the MIME package declares opens with the program.
    void desktopEntryOffersEveryType()
    {
        QFile desktop(usr(QStringLiteral("share/applications/beamdeck.desktop")));
        QFile mime(usr(QStringLiteral("share/mime/packages/beamdeck.xml")));
        QVERIFY(desktop.open(QIODevice::ReadOnly) && mime.open(QIODevice::ReadOnly));
        const QRegularExpression line(QStringLiteral("^MimeType=(.*)$"), QRegularExpression::MultilineOption);
        const QStringList offered =
            line.match(QString::fromUtf8(desktop.readAll())).captured(1).split(';', Qt::SkipEmptyParts);
        QStringList declared;
        QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("<mime-type type=\"([^\"]+)\""))
                                                 .globalMatch(QString::fromUtf8(mime.readAll()));
        while (it.hasNext())
            declared << it.next().captured(1);
        QCOMPARE(declared.size(), 4);
        QCOMPARE(offered, declared);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("FILE");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << QByteArray("bogus");
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        const ToolResult r = runProgram(usr("bin/beamdeck"), args, userEnvironment());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(output), (r.out + r.err).constData());
    }

    // bin/ is writable here (as it is for root, or a user's own prefix): the
    // settings must still go to the user's folder, never beside the program.
    void installedProgramKeepsSettingsInTheUserFolder()
    {
        QProcessEnvironment env = userEnvironment();
        env.insert(QStringLiteral("BEAMDECK_SCREENSHOT_DIR"), m_dir.filePath(QStringLiteral("shots")));
        const ToolResult r =
            runProgram(usr("bin/beamdeck"), {QDir(m_demo).filePath(QStringLiteral("shows/star.ild"))}, env, 120000);
        QVERIFY2(r.exitCode == 0, r.err.right(2000).constData());
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("home/.config/VeVoza/beamdeck/_file_dir.ini"))));
        QCOMPARE(QDir(usr("bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"beamdeck", "ildatool"}));
    }

    void debianPackageNeedsTheQmlModules()
    {
        const QString dpkgDeb = tool(QStringLiteral("dpkg-deb"));
        if (dpkgDeb.isEmpty())
            QSKIP("dpkg-deb missing");
        const QString out = m_dir.filePath(QStringLiteral("package"));
        const ToolResult packed =
            runProgram(QStringLiteral(CPACK_COMMAND_PATH),
                       {"-G", "DEB", "--config", BEAMDECK_BUILD_DIR "/CPackConfig.cmake", "-B", out},
                       QProcessEnvironment::systemEnvironment(), 280000);
        QVERIFY2(packed.exitCode == 0, (packed.out + packed.err).constData());
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = QDir(out).filePath(debs.first());
        const QString depends = QString::fromUtf8(runProgram(dpkgDeb, {"-f", deb, "Depends"}).out);
        QVERIFY2(depends.contains("libqt5quick5") && depends.contains("libqt5network5"), qPrintable(depends));
        // Every QML module the set-up script installs is a dependency of the package.
        QFile script(QStringLiteral(BEAMDECK_SOURCE_DIR "/scripts/install-deps.sh"));
        QVERIFY(script.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(script.readAll());
        QRegularExpressionMatchIterator it =
            QRegularExpression(QStringLiteral("\\bqml-module-[a-z0-9-]+")).globalMatch(text);
        int modules = 0;
        for (; it.hasNext(); ++modules) {
            const QString module = it.next().captured();
            QVERIFY2(depends.contains(module + QLatin1Char(',')) || depends.endsWith(module), qPrintable(module));
        }
        QVERIFY(modules > 5);
        QVERIFY2(depends.contains(QLatin1String("qttranslations5-l10n")), qPrintable(depends)); // Chinese buttons
        const QByteArray contents = runProgram(dpkgDeb, {"-c", deb}).out;
        QVERIFY(contents.contains("./usr/bin/beamdeck"));
        QVERIFY(contents.contains("./usr/share/applications/beamdeck.desktop"));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestInstall test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_install.moc"
