#pragma once

class QQmlApplicationEngine;
class QCoreApplication;

// Application-wide settings made once at start: organisation name and the
// GBK locale codec that every text file of the program is written in.
void configureApplication();
// Registers every native QML type, in the fixed order the pages expect.
void registerQmlTypes();
