#pragma once

#include "scene/changefont.h"

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QString>

#include <Qt>

// What SpinBoxChange and DoubleSpinBoxChange share, for a spin box of class Box
// holding values of type Value: the committed value, the bold text while the
// value differs from it, and the keys and the focus loss that finish or revert
// an edit. The boxes keep their signals; these functions tell them when to emit.
template <typename Box, typename Value> struct SpinChange
{
    static void commit(Box *box, Value &committed)
    {
        committed = box->value();
        setFontWeight(box, QFont::Normal);
    }

    // A box that already shows the value keeps its text: the program refreshes its
    // panels after every typed digit, and rewriting the text under the cursor
    // would swallow the decimal point and the digits that follow.
    static void setValueSilently(Box *box, Value &committed, Value value)
    {
        const bool wasBlocked = box->blockSignals(true);
        if (!showsValue(box, value))
            box->setValue(value);
        commit(box, committed);
        box->blockSignals(wasBlocked);
    }

    // The box would show value as it shows its own: equal to its decimals.
    static bool showsValue(const QSpinBox *box, int value) { return box->value() == value; }
    static bool showsValue(const QDoubleSpinBox *box, double value)
    {
        return QString::number(box->value(), 'f', box->decimals())
            == QString::number(value, 'f', box->decimals());
    }

    static void valueChanged(Box *box, Value &committed, Value value)
    {
        // Values put into a hidden panel count as committed.
        if (!box->isVisible()) {
            committed = value;
            return;
        }
        setFontWeight(box, value != committed ? QFont::Bold : QFont::Normal);
    }

    // After the box handled the key: true when Return or Enter finished an edit
    // that is not committed. Escape puts the committed value back, with signals
    // on, so that the owner applies the old value again.
    static bool keyPressed(Box *box, Value committed, int key)
    {
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return box->value() != committed;
        case Qt::Key_Escape:
            box->setValue(committed);
            return false;
        default:
            return false;
        }
    }

    // After the box lost the focus: true when that finished an edit that is not
    // committed; the box has then taken the value its text shows.
    static bool focusLost(Box *box, Value committed)
    {
        if (box->value() == committed)
            return false;
        box->setValue(box->value());
        return true;
    }
};
