#include "vertexmodel.h"

#include <QColor>
#include <QPoint>

vertexModel::vertexModel(QObject *parent) : QAbstractListModel(parent) {}

int vertexModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_vertices.size());
}

QVariant vertexModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= m_vertices.size())
        return QVariant();
    const IldVertex &v = m_vertices[size_t(index.row())];
    if (role == PointRole)
        return QPoint(v.x, v.y);
    if (role == ColorRole)
        return QColor(v.r, v.g, v.b);
    return QVariant();
}

QHash<int, QByteArray> vertexModel::roleNames() const
{
    return {{PointRole, "point"}, {ColorRole, "color"}};
}

void vertexModel::addVertex(IldVertex vertex)
{
    const int row = int(m_vertices.size());
    beginInsertRows(QModelIndex(), row, row);
    m_vertices.push_back(vertex);
    endInsertRows();
}
