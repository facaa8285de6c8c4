#pragma once

#include <QVector>

// Row moves of the list models: count rows from source move so that the
// first of them ends at index dest.
namespace RowMove {

inline bool valid(int rowCount, int source, int count, int dest)
{
    return source != dest && source >= 0 && dest >= 0 && count > 0 && source + count <= rowCount
        && dest + count <= rowCount;
}

// Destination as the model protocol counts it: the row before which the
// moved rows land, numbered before the move.
inline int announced(int source, int count, int dest)
{
    return source < dest ? dest + count : dest;
}

template <typename T>
void apply(QVector<T> &rows, int source, int count, int dest)
{
    QVector<T> taken = rows.mid(source, count);
    rows.remove(source, count);
    for (int i = 0; i < count; ++i)
        rows.insert(dest + i, std::move(taken[i]));
}

} // namespace RowMove
