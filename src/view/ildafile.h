#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Opens and saves single files for the editor pages: .ild files and C source
// tables go into and out of workFrameSet (or revisedFrameSet for export
// type 1). Every call ends with a reset of the frame list model so the views
// show what is there now.
class ildaFile : public QObject
{
    Q_OBJECT
public:
    explicit ildaFile(QObject *parent = nullptr);

    // Both return true on success; a failure is named in a box (a notice for
    // a file that could not be read, a message for a save).
    Q_INVOKABLE bool loadData(QUrl name);
    Q_INVOKABLE bool saveData(QUrl name, QString selectedNameFilter, int type);
    Q_INVOKABLE bool saveData(QUrl name, QString selectedNameFilter);
    Q_INVOKABLE void testIldaFrameDraw();
};

// Path of the last file loaded or saved through the element.
QString &ildaFilePath();
