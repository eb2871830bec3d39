#include "scene/slider.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

// Exposes the style option the slider paints with, to find the drawn handle.
class ProbeSlider : public Slider
{
public:
    QRect drawnHandle() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.rect = grooveRect;
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }
};

class TestSlider : public QObject
{
    Q_OBJECT
private slots:
    void numericLabelsOnBothSides();
    void listedLabelsSpreadAlongTheGroove();
    void noLabelsButGrooveStillInset();
    void minimumHeightFollowsTickSides_data();
    void minimumHeightFollowsTickSides();
    void grooveEndsSelectRangeEnds();
    void slidersWithoutTicksTakeClicksAsTheyCome();
};

static void makeSensitivitySlider(Slider &slider)
{
    slider.setOrientation(Qt::Horizontal);
    slider.setRange(0, 100);
    slider.setTickInterval(25);
    slider.setTickPosition(QSlider::TicksBothSides);
    slider.resize(300, 80);
}

static QStringList texts(const QVector<Slider::Label> &labels)
{
    QStringList result;
    for (const Slider::Label &label : labels)
        result << label.text;
    return result;
}

static int centre(const Slider &slider, const Slider::Label &label)
{
    return label.x + slider.fontMetrics().horizontalAdvance(label.text) / 2;
}

static void paint(QWidget &widget)
{
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.grab();
}

void TestSlider::numericLabelsOnBothSides()
{
    ProbeSlider slider;
    makeSensitivitySlider(slider);
    slider.setValue(0);
    paint(slider);

    const Slider::Layout layout = slider.labelLayout(slider.fontMetrics());
    QCOMPARE(slider.grooveRect, layout.groove);
    const QStringList expected { "0", "25", "50", "75", "100" };
    QCOMPARE(texts(layout.upper), expected);
    QCOMPARE(texts(layout.lower), expected);

    const QFontMetrics metrics = slider.fontMetrics();
    QCOMPARE(layout.upper.first().y, metrics.height() - metrics.descent());
    QCOMPARE(layout.lower.first().y, slider.height() - 1 - metrics.descent());

    // The end labels stand over the handle at the ends of the range.
    QVERIFY(qAbs(centre(slider, layout.upper.first()) - slider.drawnHandle().center().x()) <= 1);
    slider.setValue(100);
    QVERIFY(qAbs(centre(slider, layout.upper.last()) - slider.drawnHandle().center().x()) <= 1);
    QVERIFY(qAbs(centre(slider, layout.lower.last()) - slider.drawnHandle().center().x()) <= 1);
}

void TestSlider::listedLabelsSpreadAlongTheGroove()
{
    ProbeSlider slider;
    makeSensitivitySlider(slider);
    for (int v = 18; v <= 40; v += 2)
        slider.lowerLabels << QString::number(v);
    QCOMPARE(slider.lowerLabels.size(), 12);
    paint(slider);

    const Slider::Layout layout = slider.labelLayout(slider.fontMetrics());
    QCOMPARE(texts(layout.upper), QStringList({ "0", "25", "50", "75", "100" }));
    QCOMPARE(texts(layout.lower), slider.lowerLabels);

    slider.setValue(0);
    QVERIFY(qAbs(centre(slider, layout.lower.first()) - slider.drawnHandle().center().x()) <= 1);
    slider.setValue(100);
    QVERIFY(qAbs(centre(slider, layout.lower.last()) - slider.drawnHandle().center().x()) <= 1);

    // Evenly spread: neighbouring centres differ by the same step, give or take rounding.
    const int step = centre(slider, layout.lower.at(1)) - centre(slider, layout.lower.at(0));
    QVERIFY(step > 0);
    for (int i = 1; i < layout.lower.size(); ++i) {
        const int d = centre(slider, layout.lower.at(i)) - centre(slider, layout.lower.at(i - 1));
        QVERIFY2(qAbs(d - step) <= 2, qPrintable(QString("step %1 at %2").arg(d).arg(i)));
    }
}

void TestSlider::noLabelsButGrooveStillInset()
{
    Slider slider;
    makeSensitivitySlider(slider);
    slider.setTickInterval(0);
    paint(slider);

    const Slider::Layout layout = slider.labelLayout(slider.fontMetrics());
    QVERIFY(layout.upper.isEmpty());
    QVERIFY(layout.lower.isEmpty());
    const int textHeight = slider.fontMetrics().height();
    QCOMPARE(slider.grooveRect.top(), textHeight);
    QCOMPARE(slider.grooveRect.bottom(), slider.height() - 1 - textHeight);
}

void TestSlider::minimumHeightFollowsTickSides_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("sides");
    QTest::newRow("both") << int(QSlider::TicksBothSides) << 2;
    QTest::newRow("above") << int(QSlider::TicksAbove) << 1;
    QTest::newRow("below") << int(QSlider::TicksBelow) << 1;
}

void TestSlider::minimumHeightFollowsTickSides()
{
    QFETCH(int, ticks);
    QFETCH(int, sides);
    Slider slider;
    makeSensitivitySlider(slider);
    slider.setTickPosition(QSlider::TickPosition(ticks));
    slider.setMinimumHeight(10);
    paint(slider);

    const int textHeight = slider.fontMetrics().height();
    QCOMPARE(slider.minimumHeight(), sides * (textHeight + 5) + 22);
    const bool above = ticks & QSlider::TicksAbove;
    const bool below = ticks & QSlider::TicksBelow;
    QCOMPARE(slider.grooveRect.top(), above ? textHeight : 0);
    QCOMPARE(slider.grooveRect.bottom(), slider.height() - 1 - (below ? textHeight : 0));

    // A larger minimum is kept.
    slider.setMinimumHeight(200);
    slider.grab();
    QCOMPARE(slider.minimumHeight(), 200);
}

void TestSlider::grooveEndsSelectRangeEnds()
{
    ProbeSlider slider;
    makeSensitivitySlider(slider);
    // Wide end labels push the groove in from both edges.
    slider.lowerLabels = QStringList { "самый левый", "2", "3", "4", "самый правый" };
    paint(slider);
    const QRect groove = slider.grooveRect;
    QVERIFY(groove.left() > 10);
    QVERIFY(groove.right() < slider.width() - 11);
    const int y = groove.center().y();

    // The middle button sets the value under the pointer in this style.
    slider.setValue(50);
    QTest::mouseClick(&slider, Qt::MiddleButton, Qt::NoModifier, QPoint(groove.left(), y));
    QCOMPARE(slider.value(), 0);
    QTest::mouseClick(&slider, Qt::MiddleButton, Qt::NoModifier, QPoint(groove.right(), y));
    QCOMPARE(slider.value(), 100);

    // Dragging the drawn handle to the ends of the drawn groove.
    slider.setValue(50);
    const QPoint handle = slider.drawnHandle().center();
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, handle);
    QVERIFY(slider.isSliderDown());
    QMouseEvent toLeft(
        QEvent::MouseMove, QPointF(groove.left(), y), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &toLeft);
    QCOMPARE(slider.value(), 0);
    QCOMPARE(toLeft.localPos(), QPointF(groove.left(), y));
    QMouseEvent toRight(QEvent::MouseMove, QPointF(groove.right(), y), Qt::NoButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(&slider, &toRight);
    QCOMPARE(slider.value(), 100);
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(groove.right(), y));
    QVERIFY(!slider.isSliderDown());
    QCOMPARE(slider.value(), 100);
}

void TestSlider::slidersWithoutTicksTakeClicksAsTheyCome()
{
    Slider slider;
    slider.setOrientation(Qt::Horizontal);
    slider.setRange(0, 100);
    slider.resize(300, 30);
    // Before the first paint nothing is known of the groove.
    QVERIFY(slider.grooveRect.isNull());
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QTest::mouseClick(&slider, Qt::MiddleButton, Qt::NoModifier, QPoint(slider.width() - 1, 15));
    QCOMPARE(slider.value(), 100);
    slider.grab();
    QTest::mouseClick(&slider, Qt::MiddleButton, Qt::NoModifier, QPoint(0, 15));
    QCOMPARE(slider.value(), 0);
}

QTEST_MAIN(TestSlider)
#include "tst_slider.moc"
