#pragma once

#include <QSlider>
#include <QStringList>
#include <QVector>

class QFontMetrics;

// A horizontal slider that writes the values of its tick marks beside them,
// above and/or below the groove. The groove is drawn inset so that the end
// labels fit; mouse input is mapped back so that the base slider works as if
// its groove spanned the whole widget.
class Slider : public QSlider
{
    Q_OBJECT
public:
    explicit Slider(QWidget *parent = nullptr);

    // Where the groove and handle were last drawn; refreshed at every paint.
    QRect grooveRect;
    // Texts spread evenly along the groove instead of the numeric tick values,
    // when a list holds at least two entries.
    QStringList upperLabels;
    QStringList lowerLabels;

    struct Label
    {
        QString text;
        int x; // left edge
        int y; // baseline
    };
    struct Layout
    {
        QRect groove;
        int minimumHeight = 0;
        QVector<Label> upper;
        QVector<Label> lower;
    };
    // The places paint uses for the groove and labels, for the current size,
    // range and ticks, with the given font's metrics.
    Layout labelLayout(const QFontMetrics &metrics) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointF grooveToWidget(const QPointF &pos) const;
};
