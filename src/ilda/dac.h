#pragma once

#include <QtGlobal>

// The projector's 12-bit positions, as C tables and group images store them.
namespace Dac {

// ILDA coordinate to position: x / 16 + 2047, truncated toward zero; 0..4094
// for -32767..32767. -32768, which no reader produces, gives -1.
constexpr int toDac(qint16 x)
{
    return x / 16 + 2047;
}

// Position back to ILDA units: (position - 2047) * 16.
constexpr int fromDac(int position)
{
    return (position - 2047) * 16;
}

} // namespace Dac
