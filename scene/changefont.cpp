#include "changefont.h"

#include <QWidget>

void setFontWeight(QWidget *widget, QFont::Weight weight)
{
    QFont font = widget->font();
    font.setWeight(weight);
    widget->setFont(font);
}
