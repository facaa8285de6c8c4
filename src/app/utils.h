#pragma once

#include <QObject>

// Platform helpers the pages call. On the desktop every permission is granted.
class Utils : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE bool checkAndroidStoragePermissions();
};
