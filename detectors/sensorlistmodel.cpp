#include "detectors/sensorlistmodel.h"

#include "detectors/sensorgraphicsitem2.h"

SensorListModel::SensorListModel(QList<SensorGraphicsItem2 *> *sensors, QObject *parent)
    : QAbstractListModel(parent)
    , m_sensors(sensors)
{
}

int SensorListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_sensors)
        return 0;
    return m_sensors->size();
}

QVariant SensorListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !m_sensors || !index.isValid() || index.row() < 0
        || index.row() >= m_sensors->size())
        return QVariant();
    return QStringLiteral("Извещатель: ") + m_sensors->at(index.row())->tag();
}

void SensorListModel::reset()
{
    beginResetModel();
    endResetModel();
}

void SensorListModel::updateRow(SensorGraphicsItem2 *detector)
{
    const int row = m_sensors ? m_sensors->indexOf(detector) : -1;
    if (row < 0)
        return;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, { Qt::DisplayRole, Qt::EditRole });
}
