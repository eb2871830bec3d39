#pragma once

#include <QFont>

class QWidget;

// Gives the widget's own font the weight; the change-tracking fields show a
// modified value in bold (75) and a committed one in normal weight (50).
void setFontWeight(QWidget *widget, QFont::Weight weight);
