#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

struct ColorContext;
class IldFrame;
class IldFrameSet;

// Writes ILDA sections to a file as they come, so that memory holds about one
// frame whatever the file's length; the file replaces the previous one only
// on commit(), and a failed or abandoned write leaves that one as it was.
class IldaStreamWriter
{
public:
    explicit IldaStreamWriter(const QString &path);
    ~IldaStreamWriter();
    IldaStreamWriter(const IldaStreamWriter &) = delete;
    IldaStreamWriter &operator=(const IldaStreamWriter &) = delete;

    bool open();
    // Appends frame as section number of total (see IldFrame::writeToStream).
    bool writeFrame(const IldFrame &frame, quint16 number, quint16 total, const ColorContext &colors);
    bool commit();
    // Drops what was written; the previous file stays.
    void cancel();

    QString errorString() const { return m_error; }

    // Why frames cannot go into one ILDA file (empty when they can): none to
    // write, more than 65,535 of them, more than 65,535 points in one.
    static QString refusal(const IldFrameSet &set);
    // The same for a count of frames about to be written.
    static QString frameCountRefusal(qint64 frames);

private:
    bool flush();
    bool fail(const QString &what);

    QSaveFile m_file;
    QByteArray m_buffer;
    QString m_error;
    bool m_open = false;
};
