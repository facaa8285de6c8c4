#pragma once

#include <QTextCodec>

// UTF-8 that keeps every byte: a byte that does not belong to a valid UTF-8
// sequence decodes to the lone surrogate U+DC80 + (byte - 0x80) and encodes
// back to itself. As the locale codec it lets a file name that is not valid
// UTF-8 (a Latin-1 name on a UTF-8 system, anything in the C locale) pass
// from the command line or a folder listing to QFile unchanged; valid UTF-8
// decodes as usual.
class FileNameCodec : public QTextCodec
{
public:
    QByteArray name() const override;
    int mibEnum() const override;

    // Makes it the locale codec when the system's is UTF-8 or plain ASCII (the
    // C locale); any other system encoding is left alone.
    static void installForLocale();

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *state) const override;
    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *state) const override;
};
