#include "doublespinboxchange.h"

#include "scene/escapeoverride.h"
#include "scene/spinchange.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace {
using Change = SpinChange<QDoubleSpinBox, double>;
}

DoubleSpinBoxChange::DoubleSpinBoxChange(QWidget *parent)
    : QDoubleSpinBox(parent)
{
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        &DoubleSpinBoxChange::on_valueChanged);
    committed = value();
}

void DoubleSpinBoxChange::commit()
{
    Change::commit(this, committed);
}

void DoubleSpinBoxChange::setValueSilently(double value)
{
    Change::setValueSilently(this, committed, value);
}

void DoubleSpinBoxChange::on_valueChanged(double value)
{
    Change::valueChanged(this, committed, value);
}

void DoubleSpinBoxChange::wheelEvent(QWheelEvent *event)
{
    // Neither the value nor the panel around the field scrolls.
    event->accept();
}

void DoubleSpinBoxChange::keyPressEvent(QKeyEvent *event)
{
    QDoubleSpinBox::keyPressEvent(event);
    if (Change::keyPressed(this, committed, event->key()))
        emit uncomplete(value());
}

void DoubleSpinBoxChange::focusOutEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusOutEvent(event);
    if (Change::focusLost(this, committed))
        emit uncomplete(value());
}

bool DoubleSpinBoxChange::event(QEvent *event)
{
    if (claimEscapeWhileModified(event, value() != committed))
        return true;
    return QDoubleSpinBox::event(event);
}
