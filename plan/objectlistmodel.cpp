#include "plan/objectlistmodel.h"

#include "plan/objectgraphicsitem.h"

#include <cmath>

ObjectListModel::ObjectListModel(QList<ObjectGraphicsItem *> *objects, QObject *parent)
    : QAbstractListModel(parent)
    , objects(objects)
{
}

int ObjectListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !objects)
        return 0;
    return objects->size();
}

QVariant ObjectListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !objects || index.row() < 0 || index.row() >= objects->size())
        return QVariant();
    const QSizeF size = objects->at(index.row())->size();
    return rowText(size.width(), size.height());
}

QString ObjectListModel::rowText(double width, double height)
{
    return QStringLiteral("Препятствие: [%1 м * %2 м]")
        .arg(std::round(width * 10) / 10, 0, 'g')
        .arg(std::round(height * 10) / 10, 0, 'g');
}

void ObjectListModel::reset()
{
    beginResetModel();
    endResetModel();
}

void ObjectListModel::updateRow(ObjectGraphicsItem *object)
{
    const int row = objects ? objects->indexOf(object) : -1;
    if (row < 0)
        return;
    const QModelIndex cell = index(row);
    emit dataChanged(cell, cell, { Qt::DisplayRole, Qt::EditRole });
}
