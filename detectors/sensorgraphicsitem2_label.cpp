#include "detectors/sensorgraphicsitem2.h"

#include "detectors/sensorlabelgraphicsitem.h"
#include "scene/graphicslineitem.h"

#include <QGraphicsScene>
#include <QStringList>

#include <cstdlib>

void SensorGraphicsItem2::setLabelPos(QPointF offset)
{
    m_record.setLabelOffset(offset);
    SensorLabelGraphicsItem::lastOffset = offset;
    if (!m_label)
        return;
    m_label->placeAt(pos() + offset);
    updateLeader();
}

void SensorGraphicsItem2::rememberLabelOffset(const QPointF &offset)
{
    m_record.setLabelOffset(offset);
    SensorLabelGraphicsItem::lastOffset = offset;
}

void SensorGraphicsItem2::setLabelScale(double scale)
{
    m_record.setLabelScale(scale);
    SensorLabelGraphicsItem::lastScale = scale;
    if (m_label)
        m_label->setScale(scale);
    setLabelPos(m_record.labelOffset());
}

void SensorGraphicsItem2::updateLeader()
{
    if (m_label)
        m_label->updateLeader();
}

QString SensorGraphicsItem2::labelText() const
{
    const int turn = m_record.angle();
    QString direction;
    if (turn < 0)
        direction = QStringLiteral(" влево");
    else if (turn > 0)
        direction = QStringLiteral("вправо");
    const QStringList lines = {
        QStringLiteral("Тэг: ") + m_record.tag(),
        QStringLiteral("Тип: ") + typeName(),
        QStringLiteral("Режим: ") + modeName(),
        QStringLiteral("Чувствительность: ") + QString::number(m_record.sensitivity()),
        QStringLiteral("Положение: ") + QString::number(m_record.pos(), 'f', 1)
            + (m_record.atRight() ? QStringLiteral("м от правого угла")
                                  : QStringLiteral("м от левого угла")),
        QStringLiteral("Высота: ") + QString::number(m_record.height(), 'f', 1)
            + QStringLiteral("м"),
        QStringLiteral("Поворот: ") + QString::number(std::abs(turn)) + QStringLiteral("°")
            + direction + QStringLiteral(". ") + QStringLiteral("Наклон: ")
            + QString::number(m_record.tilt()) + QStringLiteral("°"),
    };
    return lines.join(QLatin1Char('\n'));
}

void SensorGraphicsItem2::updateLabelText()
{
    if (!m_label)
        return;
    if (scene() && m_label->scene() != scene())
        scene()->addItem(m_label);
    m_label->setVisible(SensorLabelGraphicsItem::showLabels);
    if (m_label->leader())
        m_label->leader()->setVisible(SensorLabelGraphicsItem::showLabels);
    const QString text = labelText();
    // Laid out already (layOutLabelText) when loading.
    if (m_label->toPlainText() != text)
        m_label->setPlainText(text);
    setLabelPos(m_record.labelOffset());
}

void SensorGraphicsItem2::layOutLabelText()
{
    if (!m_label)
        return;
    m_label->setPlainText(labelText());
    // The text is laid out when its size is first asked for.
    m_label->boundingRect();
}

void SensorGraphicsItem2::refreshShownLabel()
{
    // A label joins the plan when its detector is placed or a project has been
    // loaded (updateLabelText); until then there is nothing to refresh.
    if (!m_label || !m_label->scene())
        return;
    const QString text = labelText();
    if (m_label->toPlainText() == text)
        return;
    m_label->setPlainText(text);
    updateLeader();
}
