#include "checkboxchange.h"

#include "scene/changefont.h"

CheckBoxChange::CheckBoxChange(QWidget *parent)
    : QCheckBox(parent)
{
    connect(this, &QCheckBox::toggled, this, &CheckBoxChange::on_valueChanged);
    committed = isChecked();
}

void CheckBoxChange::commit()
{
    committed = isChecked();
    setFontWeight(this, QFont::Normal);
}

void CheckBoxChange::setValueSilently(bool value)
{
    const bool wasBlocked = blockSignals(true);
    setChecked(value);
    commit();
    blockSignals(wasBlocked);
}

void CheckBoxChange::on_valueChanged(bool value)
{
    // Values put into a hidden panel count as committed.
    if (!isVisible()) {
        committed = value;
        return;
    }
    setFontWeight(this, value != committed ? QFont::Bold : QFont::Normal);
    emit uncomplete(value);
}
