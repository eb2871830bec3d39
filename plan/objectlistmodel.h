#pragma once

#include <QAbstractListModel>
#include <QList>

class ObjectGraphicsItem;

// The obstacle list of the side panel: one row per obstacle of the main window's
// list, such as "Препятствие: [2.3 м * 1 м]".
class ObjectListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    ObjectListModel(QList<ObjectGraphicsItem *> *objects, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // To be called after obstacles were added, deleted, loaded or cleared.
    void reset();
    // To be called after one obstacle's size changed.
    void updateRow(ObjectGraphicsItem *object);

    static QString rowText(double width, double height);

private:
    QList<ObjectGraphicsItem *> *objects;
};
