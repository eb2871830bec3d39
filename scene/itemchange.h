#pragma once

#include <QGraphicsItem>
#include <QVariant>

#include <optional>

// Emits the change signals of an item that reports its item changes. Returns
// the value to give back to the scene when a receiver of an about-to-change
// signal took the change over; nothing when the standard handling should run.
template <typename Item>
std::optional<QVariant> emitItemChange(
    Item *item, QGraphicsItem::GraphicsItemChange change, const QVariant &value)
{
    bool accept = false;
    switch (change) {
    case QGraphicsItem::ItemPositionChange: {
        QPointF pos = value.toPointF();
        emit item->positionChange(pos, accept);
        if (accept)
            return QVariant(pos);
        break;
    }
    case QGraphicsItem::ItemPositionHasChanged:
        emit item->positionChanged(value.toPointF());
        break;
    case QGraphicsItem::ItemVisibleChange: {
        bool visible = value.toBool();
        emit item->visibleChange(visible, accept);
        if (accept)
            return QVariant(visible);
        break;
    }
    case QGraphicsItem::ItemVisibleHasChanged:
        emit item->visibleChanged(value.toBool());
        break;
    case QGraphicsItem::ItemEnabledChange: {
        bool enabled = value.toBool();
        emit item->enabledChange(enabled, accept);
        if (accept)
            return QVariant(enabled);
        break;
    }
    case QGraphicsItem::ItemEnabledHasChanged:
        emit item->enabledChanged(value.toBool());
        break;
    case QGraphicsItem::ItemTransformHasChanged:
        emit item->transformChanged();
        break;
    case QGraphicsItem::ItemRotationChange: {
        double rotation = value.toDouble();
        emit item->rotationChange(rotation, accept);
        if (accept)
            return QVariant(rotation);
        break;
    }
    case QGraphicsItem::ItemRotationHasChanged:
        emit item->rotationChanged(value.toDouble());
        break;
    case QGraphicsItem::ItemScaleChange: {
        double scale = value.toDouble();
        emit item->scaleChange(scale, accept);
        if (accept)
            return QVariant(scale);
        break;
    }
    case QGraphicsItem::ItemScaleHasChanged:
        emit item->scaleChanged(value.toDouble());
        break;
    case QGraphicsItem::ItemSelectedChange: {
        bool selected = value.toBool();
        emit item->selectedChange(selected, accept);
        if (accept)
            return QVariant(selected);
        break;
    }
    case QGraphicsItem::ItemSelectedHasChanged:
        emit item->selectedChanged(value.toBool());
        break;
    default:
        break;
    }
    return std::nullopt;
}
