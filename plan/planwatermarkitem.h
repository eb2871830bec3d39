#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QSizeF>

// The watermark painted over a plan image at drawing time instead of into a
// copy of it: a child of the image's item, over the image's own pixels
// (0, 0, width, height), painting what watermarkedPlan paints into the copy.
// It takes no mouse buttons, so that clicks go to what lies under it.
class PlanWatermarkItem : public QGraphicsItem
{
public:
    explicit PlanWatermarkItem(QGraphicsItem *parent = nullptr);

    // The size of the image covered; an empty size paints nothing.
    void setImageSize(const QSizeF &size);
    QSizeF imageSize() const { return m_size; }
    // The logo tiled; the program's own (watermarkLogo()) unless set.
    void setLogo(const QImage &logo);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QSizeF m_size;
    QImage m_logo;
    bool m_ownLogo = false;
};
