#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;
class QTextStream;

// The encoding of the contents of the program's own text files (group
// settings, tab lists, "_file_dir.ini", text group images, C tables and the
// name fields of group images): GBK, as the projectors and older saves expect.
// File names, arguments and console text are not touched here: they follow
// the system's encoding.
namespace TextCodec {

QTextCodec *gbkCodec();
QByteArray toGbk(const QString &text);
QString fromGbk(const QByteArray &bytes);
// False when text holds a character GBK lacks (it would be written as "?").
bool canStore(const QString &text);
// Makes a stream read or write GBK whatever the locale says.
void useGbk(QTextStream &stream);
// At most size bytes of GBK, cut only between characters and padded with
// zero bytes to size, for the fixed name fields of a group image.
QByteArray gbkField(const QString &text, int size);

} // namespace TextCodec
