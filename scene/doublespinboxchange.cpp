#include "doublespinboxchange.h"

#include "scene/changefont.h"
#include "scene/escapeoverride.h"

#include <QKeyEvent>
#include <QWheelEvent>

DoubleSpinBoxChange::DoubleSpinBoxChange(QWidget *parent)
    : QDoubleSpinBox(parent)
{
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        &DoubleSpinBoxChange::on_valueChanged);
    committed = value();
}

void DoubleSpinBoxChange::commit()
{
    committed = value();
    setFontWeight(this, QFont::Normal);
}

void DoubleSpinBoxChange::setValueSilently(double value)
{
    const bool wasBlocked = blockSignals(true);
    setValue(value);
    commit();
    blockSignals(wasBlocked);
}

void DoubleSpinBoxChange::on_valueChanged(double value)
{
    // Values put into a hidden panel count as committed.
    if (!isVisible()) {
        committed = value;
        return;
    }
    setFontWeight(this, value != committed ? QFont::Bold : QFont::Normal);
}

void DoubleSpinBoxChange::wheelEvent(QWheelEvent *event)
{
    // Neither the value nor the panel around the field scrolls.
    event->accept();
}

void DoubleSpinBoxChange::keyPressEvent(QKeyEvent *event)
{
    QDoubleSpinBox::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (value() != committed)
            emit uncomplete(value());
        break;
    case Qt::Key_Escape:
        // With signals on, so that the owner applies the old value again.
        setValue(committed);
        break;
    default:
        break;
    }
}

void DoubleSpinBoxChange::focusOutEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusOutEvent(event);
    if (value() != committed) {
        setValue(value());
        emit uncomplete(value());
    }
}

bool DoubleSpinBoxChange::event(QEvent *event)
{
    if (claimEscapeWhileModified(event, value() != committed))
        return true;
    return QDoubleSpinBox::event(event);
}
