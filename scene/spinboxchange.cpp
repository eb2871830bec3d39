#include "spinboxchange.h"

#include "scene/changefont.h"
#include "scene/escapeoverride.h"

#include <QKeyEvent>
#include <QWheelEvent>

SpinBoxChange::SpinBoxChange(QWidget *parent)
    : QSpinBox(parent)
{
    connect(
        this, QOverload<int>::of(&QSpinBox::valueChanged), this, &SpinBoxChange::on_valueChanged);
    committed = value();
}

void SpinBoxChange::commit()
{
    committed = value();
    setFontWeight(this, QFont::Normal);
}

void SpinBoxChange::setValueSilently(int value)
{
    const bool wasBlocked = blockSignals(true);
    setValue(value);
    commit();
    blockSignals(wasBlocked);
}

void SpinBoxChange::on_valueChanged(int value)
{
    // Values put into a hidden panel count as committed.
    if (!isVisible()) {
        committed = value;
        return;
    }
    setFontWeight(this, value != committed ? QFont::Bold : QFont::Normal);
}

void SpinBoxChange::wheelEvent(QWheelEvent *event)
{
    // Neither the value nor the panel around the field scrolls.
    event->accept();
}

void SpinBoxChange::keyPressEvent(QKeyEvent *event)
{
    QSpinBox::keyPressEvent(event);
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

void SpinBoxChange::focusOutEvent(QFocusEvent *event)
{
    QSpinBox::focusOutEvent(event);
    if (value() != committed) {
        setValue(value());
        emit uncomplete(value());
    }
}

bool SpinBoxChange::event(QEvent *event)
{
    if (claimEscapeWhileModified(event, value() != committed))
        return true;
    return QSpinBox::event(event);
}
