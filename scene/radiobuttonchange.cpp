#include "radiobuttonchange.h"

#include "scene/changefont.h"

RadioButtonChange::RadioButtonChange(QWidget *parent)
    : QRadioButton(parent)
{
    connect(this, &QRadioButton::toggled, this, &RadioButtonChange::on_valueChanged);
    committed = isChecked();
}

void RadioButtonChange::commit()
{
    committed = isChecked();
    setFontWeight(this, QFont::Normal);
}

void RadioButtonChange::setValueSilently(bool value)
{
    const bool wasBlocked = blockSignals(true);
    setChecked(value);
    commit();
    blockSignals(wasBlocked);
}

void RadioButtonChange::on_valueChanged(bool value)
{
    // Values put into a hidden panel count as committed.
    if (!isVisible()) {
        committed = value;
        return;
    }
    // Only the newly chosen button of a group stands out; the one that lost
    // the choice returns to normal weight.
    setFontWeight(this, value && !committed ? QFont::Bold : QFont::Normal);
    emit uncomplete(value);
}
