#pragma once

#include "ildvertex.h"

#include <QAbstractListModel>
#include <QMetaType>

#include <vector>

Q_DECLARE_METATYPE(IldVertex)

// A plain list of points for QML: position and colour.
class vertexModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Roles { PointRole = 257, ColorRole = 258 };

    explicit vertexModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void addVertex(IldVertex vertex);

private:
    std::vector<IldVertex> m_vertices;
};
