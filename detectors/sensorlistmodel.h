#pragma once

#include <QAbstractListModel>
#include <QList>

class SensorGraphicsItem2;

// The detector list of the side panel: one row "Извещатель: <tag>" per detector
// of the main window's list, in list order.
class SensorListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    SensorListModel(QList<SensorGraphicsItem2 *> *sensors, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // After detectors were added, removed or loaded.
    void reset();
    // After one detector's data changed; nothing for a detector not in the list.
    void updateRow(SensorGraphicsItem2 *detector);

private:
    QList<SensorGraphicsItem2 *> *m_sensors;
};
