#include "spinboxchange.h"

#include "scene/escapeoverride.h"
#include "scene/spinchange.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace {
using Change = SpinChange<QSpinBox, int>;
}

SpinBoxChange::SpinBoxChange(QWidget *parent)
    : QSpinBox(parent)
{
    connect(
        this, QOverload<int>::of(&QSpinBox::valueChanged), this, &SpinBoxChange::on_valueChanged);
    committed = value();
}

void SpinBoxChange::commit()
{
    Change::commit(this, committed);
}

void SpinBoxChange::setValueSilently(int value)
{
    Change::setValueSilently(this, committed, value);
}

void SpinBoxChange::on_valueChanged(int value)
{
    Change::valueChanged(this, committed, value);
}

void SpinBoxChange::wheelEvent(QWheelEvent *event)
{
    // Neither the value nor the panel around the field scrolls.
    event->accept();
}

void SpinBoxChange::keyPressEvent(QKeyEvent *event)
{
    QSpinBox::keyPressEvent(event);
    if (Change::keyPressed(this, committed, event->key()))
        emit uncomplete(value());
}

void SpinBoxChange::focusOutEvent(QFocusEvent *event)
{
    QSpinBox::focusOutEvent(event);
    if (Change::focusLost(this, committed))
        emit uncomplete(value());
}

bool SpinBoxChange::event(QEvent *event)
{
    if (claimEscapeWhileModified(event, value() != committed))
        return true;
    return QSpinBox::event(event);
}
