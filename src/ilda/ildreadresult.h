#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// What a read of ILDA data ended with: why it stopped, where, and how many
// frames it gave. Frames read before a problem are kept by the reader.
struct IldReadResult
{
    enum Kind { Ok, Empty, NotIlda, Unreadable, Truncated, NotRegularFile, Cancelled };

    Kind kind = Ok;
    qint64 offset = 0; // byte where reading stopped (start of the bad or cut section)
    int frames = 0;    // frames this read appended (or counted)
    QString detail;    // the system's error text for Unreadable
    // Colours of the palette and colour-table sections read, in file order.
    // Whoever owns the colour list appends them (Palette::appendColors).
    QVector<QRgb> palette;

    bool ok() const { return kind == Ok; }
    // "ok", "empty", "not-ILDA", "unreadable", "truncated", "not-a-regular-file",
    // "cancelled"
    static QString kindName(Kind kind);
    // The reason in plain words, for a notice or a message on standard error.
    QString reason() const;
    // The file and the reason, for a notice on the pages.
    QString noticeText(const QString &path) const { return path + QLatin1Char('\n') + reason(); }
};
