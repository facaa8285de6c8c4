#pragma once

#include <QVector>

#include <algorithm>

// Row moves of the list models: count rows from source move so that the
// first of them ends at index dest.
namespace RowMove {

inline bool valid(int rowCount, int source, int count, int dest)
{
    return source != dest && source >= 0 && dest >= 0 && count > 0 && source + count <= rowCount &&
           dest + count <= rowCount;
}

// Destination as the model protocol counts it: the row before which the
// moved rows land, numbered before the move.
inline int announced(int source, int count, int dest)
{
    return source < dest ? dest + count : dest;
}

template <typename T> void apply(QVector<T> &rows, int source, int count, int dest)
{
    const auto first = rows.begin();
    if (source < dest)
        std::rotate(first + source, first + source + count, first + dest + count);
    else
        std::rotate(first + dest, first + source, first + source + count);
}

} // namespace RowMove
