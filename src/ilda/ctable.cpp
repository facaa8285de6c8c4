#include "ctable.h"

#include "ildframeset.h"

QByteArray exportCTable(IldFrameSet &set, int type)
{
    Q_UNUSED(set)
    Q_UNUSED(type)
    return QByteArray(); // not written yet
}

void importCTable(const QByteArray &text, IldFrameSet &set)
{
    Q_UNUSED(text)
    Q_UNUSED(set)
}
