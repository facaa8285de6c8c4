#include "ildframeset.h"

int IldFrameSet::checkedCount() const
{
    int n = 0;
    for (const IldFrame &f : frames)
        n += f.check ? 1 : 0;
    return n;
}
