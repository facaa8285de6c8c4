#pragma once

#include "appsetup.h"

#include <QStringList>

class QQmlApplicationEngine;
class QCoreApplication;
class QApplication;

// Makes the pages (compiled into this library) available under qrc:/.
void initPageResources();
// Registers every native QML type, in the fixed order the pages expect.
void registerQmlTypes();

// What every window of the pages shares: Qt's own buttons and dialogs in
// Chinese, as the pages are (when Qt's translations are installed; English
// otherwise), and the keyboard focus going back to the page when a press
// leaves a text field. Returns whether the translations were found.
bool installPageServices(QApplication &app);

class QQmlContext;
class UDP_test;
class WorkProgress;
class frameSetModel;
class ildaFileTab;

// Publishes the objects the pages call: "FileTab", "frameModel", "net_udp",
// "net_device_list". They must outlive the engine. Also creates and publishes
// "fileOpener" (owned by the context), which opens files dropped from outside.
void publishContextObjects(QQmlContext *context, ildaFileTab *fileTab, frameSetModel *frameModel, UDP_test *netUdp,
                           WorkProgress *progress);

// The command line: beamdeck [FILE.ild…|LIST.list|IMAGE.ilg]. Parse it before
// anything changes the current folder, with the arguments still decoded in the
// system encoding: the files come back as absolute paths. A non-negative
// exitCode means print output (help or a usage error) and quit.
struct StartupArguments
{
    QStringList files;
    int exitCode = -1;
    QString output;
};
StartupArguments parseStartupArguments(const QStringList &arguments);

// Opens the files of the command line once the pages are loaded, as a drop of
// the same files would.
void openStartupFiles(QQmlApplicationEngine &engine, const QStringList &files);
