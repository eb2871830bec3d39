#include "slider.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

Slider::Slider(QWidget *parent)
    : QSlider(parent)
{
}

Slider::Layout Slider::labelLayout(const QFontMetrics &metrics) const
{
    Layout layout;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int handleLength = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int half = handleLength / 2;
    const int textHeight = metrics.height();
    const bool above = tickPosition() & TicksAbove;
    const bool below = tickPosition() & TicksBelow;

    // Room the end labels need beside the ends of the groove.
    int leftWidth = 0;
    int rightWidth = 0;
    const auto measureEnds = [&](const QStringList &labels) {
        int first = 0;
        int last = 0;
        if (labels.size() < 2) {
            first = metrics.horizontalAdvance(QString::number(minimum()));
            last = metrics.horizontalAdvance(QString::number(maximum()));
        } else if (labels.size() > 3) {
            first = metrics.horizontalAdvance(labels.first());
            last = metrics.horizontalAdvance(labels.last());
        }
        leftWidth = qMax(leftWidth, first);
        rightWidth = qMax(rightWidth, last);
    };
    if (above)
        measureEnds(upperLabels);
    if (below)
        measureEnds(lowerLabels);
    const int left = qMax((leftWidth + 1) / 2 - half, 0);
    const int right = qMax((rightWidth + 1) / 2 - half, 0);

    const int top = above ? textHeight : 0;
    const int bottom = below ? height() - 1 - textHeight : height() - 1;
    layout.groove = QRect(QPoint(left, top), QPoint(width() - 1 - right, bottom));
    layout.minimumHeight = (int(above) + int(below)) * (textHeight + 5) + 22;

    option.rect = layout.groove;
    const int span = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);

    const auto place = [&](const QStringList &labels, int baseline) {
        QVector<Label> placed;
        const int n = labels.size();
        if (n < 2) {
            if (tickInterval() == 0)
                return placed;
            // 64-bit so that a range ending near the integer limit still ends.
            for (qint64 v = minimum(); v <= maximum(); v += tickInterval()) {
                const QString text = QStringLiteral("%L1").arg(v);
                const int x = QStyle::sliderPositionFromValue(minimum(), maximum(), int(v), span)
                    + handleLength / 2 + left - metrics.horizontalAdvance(text) / 2;
                placed.append({ text, x, baseline });
            }
            return placed;
        }
        for (int i = 0; i < n; ++i) {
            const QString &text = labels.at(i);
            const int x = QStyle::sliderPositionFromValue(0, n - 1, i, span) + handleLength / 2
                + left - metrics.horizontalAdvance(text) / 2;
            placed.append({ text, x, baseline });
        }
        if (n <= 3) {
            // Few entries get no margin of their own: keep the ends inside the widget.
            placed.first().x = qMax(placed.first().x, 0);
            const int lastWidth = metrics.horizontalAdvance(placed.last().text);
            placed.last().x = qMin(placed.last().x, width() - 1 - lastWidth);
        }
        return placed;
    };
    if (above)
        layout.upper = place(upperLabels, textHeight - metrics.descent());
    if (below)
        layout.lower = place(lowerLabels, height() - 1 - metrics.descent());
    return layout;
}

void Slider::paintEvent(QPaintEvent *event)
{
    if (tickPosition() == NoTicks || orientation() == Qt::Vertical) {
        // Drawn over the whole widget: mouse input needs no mapping.
        grooveRect = rect();
        QSlider::paintEvent(event);
        return;
    }

    QPainter painter(this);
    const Layout layout = labelLayout(painter.fontMetrics());
    grooveRect = layout.groove;
    if (minimumHeight() < layout.minimumHeight)
        setMinimumHeight(layout.minimumHeight);

    QStyleOptionSlider option;
    initStyleOption(&option);
    option.rect = grooveRect;
    option.subControls = QStyle::SC_SliderGroove;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    option.subControls = QStyle::SC_SliderTickmarks;
    if (tickPosition() & TicksAbove) {
        for (const Label &label : layout.upper)
            painter.drawText(label.x, label.y, label.text);
        option.tickPosition = TicksAbove;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }
    if (tickPosition() & TicksBelow) {
        painter.setPen(QColor(0, 0, 0));
        for (const Label &label : layout.lower)
            painter.drawText(label.x, label.y, label.text);
        option.tickPosition = TicksBelow;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }
}

QPointF Slider::grooveToWidget(const QPointF &pos) const
{
    const QRect &g = grooveRect;
    // Before the first paint, or with a groove too thin to map from, the
    // position is used as it came.
    if (g.isNull() || g.right() == g.left() || g.bottom() == g.top())
        return pos;
    const QPoint rounded = pos.toPoint();
    const float x = rounded.x();
    const float y = rounded.y();
    return QPointF((width() - 1) * (x - g.left()) / float(g.right() - g.left()),
        (height() - 1) * (y - g.top()) / float(g.bottom() - g.top()));
}

void Slider::mousePressEvent(QMouseEvent *event)
{
    const QPointF original = event->localPos();
    event->setLocalPos(grooveToWidget(original));
    QSlider::mousePressEvent(event);
    event->setLocalPos(original);
}

void Slider::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF original = event->localPos();
    event->setLocalPos(grooveToWidget(original));
    QSlider::mouseReleaseEvent(event);
    event->setLocalPos(original);
}

void Slider::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF original = event->localPos();
    event->setLocalPos(grooveToWidget(original));
    QSlider::mouseMoveEvent(event);
    event->setLocalPos(original);
}
