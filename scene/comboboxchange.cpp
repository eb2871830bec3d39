#include "comboboxchange.h"

#include "scene/changefont.h"
#include "scene/escapeoverride.h"

#include <QKeyEvent>
#include <QWheelEvent>

ComboBoxChange::ComboBoxChange(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ComboBoxChange::on_valueChanged);
    committed = currentIndex();
}

void ComboBoxChange::commit()
{
    committed = currentIndex();
    setFontWeight(this, QFont::Normal);
}

void ComboBoxChange::setValueSilently(int value)
{
    const bool wasBlocked = blockSignals(true);
    setCurrentIndex(value);
    commit();
    blockSignals(wasBlocked);
}

void ComboBoxChange::on_valueChanged(int value)
{
    // Values put into a hidden panel count as committed.
    if (!isVisible()) {
        committed = value;
        return;
    }
    setFontWeight(this, value != committed ? QFont::Bold : QFont::Normal);
}

void ComboBoxChange::wheelEvent(QWheelEvent *event)
{
    // Neither the choice nor the panel around the field scrolls.
    event->accept();
}

void ComboBoxChange::keyPressEvent(QKeyEvent *event)
{
    QComboBox::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentIndex() != committed)
            emit uncomplete(currentIndex());
        break;
    case Qt::Key_Escape:
        // With signals on, so that the owner applies the old choice again.
        setCurrentIndex(committed);
        break;
    default:
        break;
    }
}

void ComboBoxChange::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    if (currentIndex() != committed) {
        setCurrentIndex(currentIndex());
        emit uncomplete(currentIndex());
    }
}

bool ComboBoxChange::event(QEvent *event)
{
    if (claimEscapeWhileModified(event, currentIndex() != committed))
        return true;
    return QComboBox::event(event);
}
