#pragma once

class QQmlApplicationEngine;
class QCoreApplication;

// Application-wide settings made once at start: organisation name and the
// GBK locale codec that every text file of the program is written in.
void configureApplication();
// Makes the pages (compiled into this library) available under qrc:/.
void initPageResources();
// Registers every native QML type, in the fixed order the pages expect.
void registerQmlTypes();

class QQmlContext;
class UDP_test;
class ildaFileTab;

// Publishes the objects the pages call: "FileTab", "frameModel", "net_udp",
// "net_device_list". They must outlive the engine.
void publishContextObjects(QQmlContext *context, ildaFileTab *fileTab, UDP_test *netUdp);
