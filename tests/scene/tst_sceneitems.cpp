#include "scene/fixedsizetextitem2.h"
#include "scene/geometry.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/graphicstextitem.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

Q_DECLARE_METATYPE(QGraphicsSceneMouseEvent *)
Q_DECLARE_METATYPE(QGraphicsSceneHoverEvent *)
Q_DECLARE_METATYPE(QKeyEvent *)

class TestSceneItems : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pressForwarding_data();
    void pressForwarding();
    void acceptedPressStopsSelectionAndDrag();
    void inputSignals_data();
    void inputSignals();
    void polygonItemChanges();
    void textItemChanges();
    void handleKeepsItsMillimetres_data();
    void handleKeepsItsMillimetres();
    void handleHitAreaInScreenMillimetres();
    void selectedPolygonIsDashed();
    void cosmeticLineWidthInMillimetres_data();
    void cosmeticLineWidthInMillimetres();
    void lineBoundingRect();
    void fixedSizeTextKeepsItsMillimetres_data();
    void fixedSizeTextKeepsItsMillimetres();
    void fixedSizeTextStandsOnItsPosition();
    void scaleDocument();
    void framedText();
};

static const QPolygonF handleSquare(
    { QPointF(-1.2, -1.2), QPointF(1.2, -1.2), QPointF(1.2, 1.2), QPointF(-1.2, 1.2) });

static QPen cosmeticPen(double millimetres, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(QBrush(Qt::black), millimetres, style, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    return pen;
}

// Renders the scene around centre at zoom device pixels per scene unit into a
// white image of the given resolution.
static QImage render(
    QGraphicsScene &scene, double dpi, double zoom, QPointF centre = QPointF(), int size = 240)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    const double side = size / zoom;
    scene.render(&painter, QRectF(0, 0, size, size),
        QRectF(centre - QPointF(side / 2, side / 2), QSizeF(side, side)));
    return image;
}

static QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Darkness summed down one column, in pixels of full ink.
static double inkInColumn(const QImage &image, int x)
{
    double ink = 0;
    for (int y = 0; y < image.height(); ++y)
        ink += (255 - qGray(image.pixel(x, y))) / 255.0;
    return ink;
}

static QGraphicsSceneMouseEvent *pressAt(QGraphicsItem *item, bool arrivesAccepted)
{
    auto *event = new QGraphicsSceneMouseEvent(QEvent::GraphicsSceneMousePress);
    const QPointF scenePos = item->sceneBoundingRect().center();
    event->setScenePos(scenePos);
    event->setPos(item->mapFromScene(scenePos));
    event->setButton(Qt::LeftButton);
    event->setButtons(Qt::LeftButton);
    event->setButtonDownScenePos(Qt::LeftButton, scenePos);
    event->setButtonDownPos(Qt::LeftButton, item->mapFromScene(scenePos));
    event->setAccepted(arrivesAccepted);
    return event;
}

enum Kind
{
    Polygon,
    Text,
    FixedText
};

static QGraphicsItem *makeItem(int kind)
{
    switch (kind) {
    case Polygon: {
        auto *item = new GraphicsPolygonItem2(QPen(Qt::black), QBrush(Qt::gray));
        item->setPolygon(QRectF(0, 0, 10, 10));
        return item;
    }
    case Text: {
        auto *item = new GraphicsTextItem;
        item->setPlainText("label");
        return item;
    }
    default: {
        auto *item = new FixedSizeTextItem2;
        item->setPlainText("label");
        return item;
    }
    }
}

template <typename Item, typename Signal, typename Receiver>
static void connectTo(QGraphicsItem *item, Signal signal, Receiver receiver)
{
    QObject::connect(static_cast<Item *>(item), signal, receiver);
}

void TestSceneItems::initTestCase()
{
    qRegisterMetaType<QGraphicsSceneMouseEvent *>();
    qRegisterMetaType<QGraphicsSceneHoverEvent *>();
    qRegisterMetaType<QKeyEvent *>();
}

void TestSceneItems::pressForwarding_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("receiverAccepts");
    QTest::addColumn<bool>("arrivesAccepted");
    const char *names[] = { "polygon", "text", "fixed-size text" };
    for (int kind : { Polygon, Text, FixedText }) {
        const QByteArray name(names[kind]);
        QTest::newRow(name + ", taken by receiver") << kind << true << true;
        QTest::newRow(name + ", left, arrived accepted") << kind << false << true;
        QTest::newRow(name + ", left, arrived ignored") << kind << false << false;
    }
}

void TestSceneItems::pressForwarding()
{
    QFETCH(int, kind);
    QFETCH(bool, receiverAccepts);
    QFETCH(bool, arrivesAccepted);

    QGraphicsScene scene;
    QGraphicsItem *item = makeItem(kind);
    scene.addItem(item);
    item->setFlags(QGraphicsItem::ItemIsSelectable);

    int calls = 0;
    bool acceptedOnArrival = true;
    const auto receiver = [&](QGraphicsSceneMouseEvent *event) {
        ++calls;
        acceptedOnArrival = event->isAccepted();
        if (receiverAccepts)
            event->accept();
    };
    if (kind == Polygon)
        connectTo<GraphicsPolygonItem2>(item, &GraphicsPolygonItem2::mousePress, receiver);
    else if (kind == Text)
        connectTo<GraphicsTextItem>(item, &GraphicsTextItem::mousePress, receiver);
    else
        connectTo<FixedSizeTextItem2>(item, &FixedSizeTextItem2::mousePress, receiver);

    QScopedPointer<QGraphicsSceneMouseEvent> event(pressAt(item, arrivesAccepted));
    scene.sendEvent(item, event.data());

    QCOMPARE(calls, 1);
    QVERIFY(!acceptedOnArrival);
    QCOMPARE(item->isSelected(), !receiverAccepts);
    QCOMPARE(event->isAccepted(), receiverAccepts || arrivesAccepted);
}

void TestSceneItems::acceptedPressStopsSelectionAndDrag()
{
    for (const bool receiverTakes : { true, false }) {
        QGraphicsScene scene(0, 0, 200, 200);
        auto *item = new GraphicsPolygonItem2(QPen(Qt::black), QBrush(Qt::gray));
        item->setPolygon(QRectF(0, 0, 40, 40));
        item->setPos(50, 50);
        item->setFlags(QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemIsMovable);
        scene.addItem(item);
        QGraphicsView view(&scene);
        view.resize(260, 260);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (receiverTakes) {
            QObject::connect(item, &GraphicsPolygonItem2::mousePress,
                [](QGraphicsSceneMouseEvent *e) { e->accept(); });
            QObject::connect(item, &GraphicsPolygonItem2::mouseMove,
                [](QGraphicsSceneMouseEvent *e) { e->accept(); });
        }

        const QPoint start = view.mapFromScene(QPointF(70, 70));
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, start);
        QMouseEvent move(QEvent::MouseMove, start + QPoint(30, 20), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        QTest::mouseRelease(
            view.viewport(), Qt::LeftButton, Qt::NoModifier, start + QPoint(30, 20));

        QCOMPARE(item->isSelected(), !receiverTakes);
        QCOMPARE(item->pos() == QPointF(50, 50), receiverTakes);
    }
}

Q_DECLARE_METATYPE(QEvent::Type)

void TestSceneItems::inputSignals_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<int>("signalIndex");
    // Indexes into the list of spies below.
    QTest::newRow("move") << QEvent::GraphicsSceneMouseMove << 0;
    QTest::newRow("press") << QEvent::GraphicsSceneMousePress << 1;
    QTest::newRow("release") << QEvent::GraphicsSceneMouseRelease << 2;
    QTest::newRow("hover enter") << QEvent::GraphicsSceneHoverEnter << 3;
    QTest::newRow("hover leave") << QEvent::GraphicsSceneHoverLeave << 4;
    QTest::newRow("key press") << QEvent::KeyPress << 5;
    QTest::newRow("key release") << QEvent::KeyRelease << 6;
}

void TestSceneItems::inputSignals()
{
    QFETCH(QEvent::Type, type);
    QFETCH(int, signalIndex);

    QGraphicsScene scene;
    auto *polygon = static_cast<GraphicsPolygonItem2 *>(makeItem(Polygon));
    auto *text = static_cast<GraphicsTextItem *>(makeItem(Text));
    auto *fixed = static_cast<FixedSizeTextItem2 *>(makeItem(FixedText));
    QList<QList<QSharedPointer<QSignalSpy>>> spies;
    spies.append({ QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::mouseMove),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::mousePress),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::mouseRelease),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::hoverEnter),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::hoverLeave),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::keyPress),
        QSharedPointer<QSignalSpy>::create(polygon, &GraphicsPolygonItem2::keyRelease) });
    spies.append({ QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::mouseMove),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::mousePress),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::mouseRelease),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::hoverEnter),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::hoverLeave),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::keyPress),
        QSharedPointer<QSignalSpy>::create(text, &GraphicsTextItem::keyRelease) });
    spies.append({ QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::mouseMove),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::mousePress),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::mouseRelease),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::hoverEnter),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::hoverLeave),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::keyPress),
        QSharedPointer<QSignalSpy>::create(fixed, &FixedSizeTextItem2::keyRelease) });

    const QList<QGraphicsItem *> items { polygon, text, fixed };
    for (int i = 0; i < items.size(); ++i) {
        QGraphicsItem *item = items.at(i);
        scene.addItem(item);
        item->setFlags(QGraphicsItem::ItemIsFocusable);
        item->setAcceptHoverEvents(true);
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
            QKeyEvent event(type, Qt::Key_Up, Qt::NoModifier);
            scene.sendEvent(item, &event);
        } else if (type == QEvent::GraphicsSceneHoverEnter
            || type == QEvent::GraphicsSceneHoverLeave) {
            QGraphicsSceneHoverEvent event(type);
            scene.sendEvent(item, &event);
        } else {
            QGraphicsSceneMouseEvent event(type);
            event.setButton(Qt::LeftButton);
            scene.sendEvent(item, &event);
        }
        for (int s = 0; s < spies.at(i).size(); ++s)
            QCOMPARE(spies.at(i).at(s)->count(), s == signalIndex ? 1 : 0);
    }
}

template <typename Item> static void checkItemChanges(Item *item)
{
    QGraphicsScene scene;
    scene.addItem(item);
    item->setFlags(QGraphicsItem::ItemIsSelectable);

    // Position signals only come with ItemSendsGeometryChanges.
    QSignalSpy positionChanged(item, &Item::positionChanged);
    item->setPos(1, 1);
    QCOMPARE(positionChanged.count(), 0);
    item->setFlag(QGraphicsItem::ItemSendsGeometryChanges);

    bool acceptPosition = false;
    auto connection
        = QObject::connect(item, &Item::positionChange, [&](QPointF &pos, bool &accept) {
              pos = QPointF(5, 5);
              accept = acceptPosition;
          });
    item->setPos(2, 2);
    QCOMPARE(item->pos(), QPointF(2, 2)); // written without accept: no effect
    acceptPosition = true;
    item->setPos(3, 3);
    QCOMPARE(item->pos(), QPointF(5, 5));
    QCOMPARE(positionChanged.last().at(0).toPointF(), QPointF(5, 5));
    QObject::disconnect(connection);

    QObject::connect(item, &Item::rotationChange, [](double &value, bool &accept) {
        value = value + 1;
        accept = true;
    });
    QSignalSpy rotationChanged(item, &Item::rotationChanged);
    item->setRotation(30);
    QCOMPARE(item->rotation(), 31.0);
    QCOMPARE(rotationChanged.last().at(0).toDouble(), 31.0);

    QSignalSpy scaleChanged(item, &Item::scaleChanged);
    item->setScale(2);
    QCOMPARE(scaleChanged.last().at(0).toDouble(), 2.0);

    QSignalSpy transformChanged(item, &Item::transformChanged);
    item->setTransform(QTransform::fromTranslate(1, 0));
    QCOMPARE(transformChanged.count(), 1);

    // A receiver can veto selection.
    QObject::connect(item, &Item::selectedChange, [](bool &value, bool &accept) {
        value = false;
        accept = true;
    });
    item->setSelected(true);
    QVERIFY(!item->isSelected());

    QSignalSpy visibleChanged(item, &Item::visibleChanged);
    QSignalSpy enabledChanged(item, &Item::enabledChanged);
    item->setVisible(false);
    item->setEnabled(false);
    QCOMPARE(visibleChanged.last().at(0).toBool(), false);
    QCOMPARE(enabledChanged.last().at(0).toBool(), false);
}

void TestSceneItems::polygonItemChanges()
{
    checkItemChanges(static_cast<GraphicsPolygonItem2 *>(makeItem(Polygon)));
}

void TestSceneItems::textItemChanges()
{
    checkItemChanges(static_cast<GraphicsTextItem *>(makeItem(Text)));
}

void TestSceneItems::handleKeepsItsMillimetres_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("penMillimetres");
    for (const double dpi : { 96.0, 300.0, 600.0 })
        for (const double zoom : { 1.0, 8.0 }) {
            const QByteArray name
                = QByteArray::number(dpi) + " dpi, zoom " + QByteArray::number(zoom);
            QTest::newRow(name + ", no pen") << dpi << zoom << 0.0;
            QTest::newRow(name + ", 0.3 mm pen") << dpi << zoom << 0.3;
        }
}

void TestSceneItems::handleKeepsItsMillimetres()
{
    QFETCH(double, dpi);
    QFETCH(double, zoom);
    QFETCH(double, penMillimetres);

    QGraphicsScene scene;
    auto *handle = new GraphicsPolygonItem2(QPen(Qt::NoPen), QBrush(Qt::black));
    if (penMillimetres > 0) {
        handle->setBrush(Qt::white);
        handle->setPen(cosmeticPen(penMillimetres));
    }
    handle->setPolygon(handleSquare);
    handle->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    handle->setPos(3, 3);
    scene.addItem(handle);

    const QRect ink = inkBounds(render(scene, dpi, zoom, QPointF(3, 3)));
    const double expected = (2.4 + penMillimetres) * dpi / 25.4;
    QVERIFY2(qAbs(ink.width() - expected) <= 1.5 && qAbs(ink.height() - expected) <= 1.5,
        qPrintable(
            QString("%1 x %2 px, expected %3").arg(ink.width()).arg(ink.height()).arg(expected)));
    // Centred on its position.
    QVERIFY(qAbs(ink.center().x() - 120) <= 1.5);
}

void TestSceneItems::handleHitAreaInScreenMillimetres()
{
    QGraphicsScene scene(-50, -50, 100, 100);
    auto *handle = new GraphicsPolygonItem2(QPen(Qt::NoPen), QBrush(Qt::black));
    handle->setPolygon(handleSquare);
    handle->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    scene.addItem(handle);
    const double side = 2.4 * screenPixelsPerMm();
    QCOMPARE(handle->boundingRect(), QRectF(-side / 2, -side / 2, side, side));

    QGraphicsView view(&scene);
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (const double zoom : { 1.0, 5.0 }) {
        view.setTransform(QTransform::fromScale(zoom, zoom));
        const QRectF onScreen
            = handle->deviceTransform(view.viewportTransform()).mapRect(handle->boundingRect());
        QVERIFY(qAbs(onScreen.width() - side) < 1e-9);
        const QPoint centre = view.mapFromScene(QPointF(0, 0));
        QCOMPARE(view.itemAt(centre + QPoint(int(side / 2) - 1, 0)), handle);
        QVERIFY(view.itemAt(centre + QPoint(int(side / 2) + 2, 0)) != handle);
    }
}

void TestSceneItems::selectedPolygonIsDashed()
{
    QGraphicsScene scene;
    auto *item = new GraphicsPolygonItem2(cosmeticPen(0.5), Qt::NoBrush);
    item->setPolygon(QRectF(0, 0, 100, 100));
    item->setFlag(QGraphicsItem::ItemIsSelectable);
    scene.addItem(item);

    // Inked runs along the top edge: one for a solid line, many for a dashed one.
    const auto topEdgeRuns = [&] {
        const QImage image = render(scene, 96, 2, QPointF(50, 50));
        const int y = inkBounds(image).top() + 1;
        int runs = 0;
        bool inRun = false;
        for (int x = 40; x < 200; ++x) {
            const bool inked = qGray(image.pixel(x, y)) < 128;
            if (inked && !inRun)
                ++runs;
            inRun = inked;
        }
        return runs;
    };
    QCOMPARE(topEdgeRuns(), 1);
    item->setSelected(true);
    QVERIFY(topEdgeRuns() > 5);
    item->setSelected(false);
    QCOMPARE(topEdgeRuns(), 1);
}

void TestSceneItems::cosmeticLineWidthInMillimetres_data()
{
    QTest::addColumn<double>("millimetres");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    for (const double zoom : { 1.0, 8.0 }) {
        const QByteArray z = ", zoom " + QByteArray::number(zoom);
        QTest::newRow("0.5 mm at 96 dpi" + z) << 0.5 << 96.0 << zoom << 0.5 / 25.4 * 96 << 0.3;
        QTest::newRow("0.5 mm at 600 dpi" + z) << 0.5 << 600.0 << zoom << 0.5 / 25.4 * 600 << 0.5;
        QTest::newRow("zero width at 96 dpi" + z) << 0.0 << 96.0 << zoom << 0.1 << 0.15;
    }
}

void TestSceneItems::cosmeticLineWidthInMillimetres()
{
    QFETCH(double, millimetres);
    QFETCH(double, dpi);
    QFETCH(double, zoom);
    QFETCH(double, expected);
    QFETCH(double, tolerance);

    QGraphicsScene scene;
    auto *line = new GraphicsLineItem;
    line->setPen(cosmeticPen(millimetres));
    line->setLine(QLineF(-100, 0.3, 100, 0.3));
    scene.addItem(line);
    const double ink = inkInColumn(render(scene, dpi, zoom), 100);
    QVERIFY2(qAbs(ink - expected) <= tolerance,
        qPrintable(QString("%1 px, expected %2").arg(ink).arg(expected)));
}

void TestSceneItems::lineBoundingRect()
{
    GraphicsLineItem line;
    QGraphicsLineItem plain;
    line.setLine(QLineF(0, 0, 10, 5));
    plain.setLine(line.line());

    line.setPen(QPen(Qt::black, 0.5));
    plain.setPen(line.pen());
    QCOMPARE(line.boundingRect(), plain.boundingRect());

    line.setPen(cosmeticPen(0.5));
    plain.setPen(line.pen());
    const double grow = 0.5 / 25.4 * 96 * 0.5 + 1;
    QCOMPARE(line.boundingRect(), plain.boundingRect().adjusted(-grow, -grow, grow, grow));

    // A null line draws nothing.
    QGraphicsScene scene;
    auto *dot = new GraphicsLineItem;
    dot->setPen(cosmeticPen(2));
    dot->setLine(QLineF(1, 1, 1, 1));
    scene.addItem(dot);
    QVERIFY(inkBounds(render(scene, 96, 10, QPointF(1, 1))).isNull());
}

void TestSceneItems::fixedSizeTextKeepsItsMillimetres_data()
{
    QTest::addColumn<bool>("pixelSize");
    QTest::newRow("point size") << false;
    QTest::newRow("pixel size") << true;
}

void TestSceneItems::fixedSizeTextKeepsItsMillimetres()
{
    QFETCH(bool, pixelSize);

    QGraphicsScene scene;
    auto *label = new FixedSizeTextItem2;
    QFont font = label->font();
    if (pixelSize)
        font.setPixelSize(4);
    else
        font.setPointSizeF(4);
    label->setFont(font);
    label->setPlainText("12.5 м");
    label->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    scene.addItem(label);

    const QRect reference = inkBounds(render(scene, 96, 1, QPointF(0, -5)));
    QVERIFY(reference.height() > 5);
    for (const double dpi : { 96.0, 300.0 })
        for (const double zoom : { 1.0, 6.0 }) {
            const QRect ink = inkBounds(render(scene, dpi, zoom, QPointF(0, -5 / zoom), 400));
            const double ratio = dpi / 96;
            QVERIFY2(qAbs(ink.height() - reference.height() * ratio) <= 2 * ratio
                    && qAbs(ink.width() - reference.width() * ratio) <= 2 * ratio,
                qPrintable(QString("%1 dpi, zoom %2: %3 x %4 px, at 96 dpi %5 x %6")
                               .arg(dpi)
                               .arg(zoom)
                               .arg(ink.width())
                               .arg(ink.height())
                               .arg(reference.width())
                               .arg(reference.height())));
        }
    if (pixelSize) {
        // A pixel size counts as millimetres: the digits stand about 4 mm × 0.7 tall.
        const double capMillimetres = reference.height() / (96 / 25.4);
        QVERIFY2(
            capMillimetres > 2 && capMillimetres < 4, qPrintable(QString::number(capMillimetres)));
    }
}

void TestSceneItems::fixedSizeTextStandsOnItsPosition()
{
    QGraphicsScene scene;
    auto *label = new FixedSizeTextItem2;
    QFont font = label->font();
    font.setPointSizeF(4);
    label->setFont(font);
    label->setPlainText("Ag 12.5");
    label->setPos(10, 10);
    scene.addItem(label);

    // Without ignoring transformations it is a plain text item.
    QGraphicsTextItem plain;
    plain.setFont(font);
    plain.setPlainText(label->toPlainText());
    QCOMPARE(label->boundingRect(), plain.boundingRect());

    label->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    const QRectF bounds = label->boundingRect();
    QVERIFY(bounds.width() > 0 && bounds.height() > 0);
    QCOMPARE(bounds.bottom(), 0.0);
    QCOMPARE(bounds.center().x(), 0.0);
    QCOMPARE(label->shape().boundingRect(), bounds);

    // Drawn at screen resolution, the ink lies inside the bounding rectangle,
    // which is centred on the position with its bottom edge there.
    const double screenDpi = screenPixelsPerMm() * 25.4;
    const QImage image = render(scene, screenDpi, 3, QPointF(10, 10), 300);
    const QRect ink = inkBounds(image);
    const QRectF expected = bounds.translated(150, 150).adjusted(-1, -1, 1, 1);
    QVERIFY2(expected.contains(QRectF(ink)),
        qPrintable(QString("ink %1,%2 %3x%4")
                       .arg(ink.x())
                       .arg(ink.y())
                       .arg(ink.width())
                       .arg(ink.height())));
    QVERIFY(ink.bottom() <= 150);
    QVERIFY(ink.bottom() > 150 - bounds.height() / 2);

    label->setPlainText(QString());
    QVERIFY(inkBounds(render(scene, screenDpi, 3, QPointF(10, 10))).isNull());
}

void TestSceneItems::scaleDocument()
{
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPixelSize(10);
    document.setDefaultFont(font);
    document.setPlainText("a\nbbbb");

    const QSizeF size = FixedSizeTextItem2::scaleDocument(&document, 2.46);
    QFont scaled = font;
    scaled.setPixelSize(25);
    const QFontMetricsF metrics(scaled);
    QCOMPARE(size.height(), 2 * qMax(metrics.height(), metrics.lineSpacing()));
    QCOMPARE(size.width(), metrics.horizontalAdvance("bbbb") + metrics.horizontalAdvance(' '));
    for (const int position : { 1, 4, 6 }) {
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        QCOMPARE(cursor.charFormat().font().pixelSize(), 25);
    }

    // Point sizes are multiplied without rounding.
    QTextDocument points;
    QFont pointFont = points.defaultFont();
    pointFont.setPointSizeF(4);
    points.setDefaultFont(pointFont);
    points.setPlainText("x");
    FixedSizeTextItem2::scaleDocument(&points, 96 / 25.4);
    QTextCursor cursor(&points);
    cursor.setPosition(1);
    QVERIFY(qAbs(cursor.charFormat().font().pointSizeF() - 4 * 96 / 25.4) < 1e-6);
}

void TestSceneItems::framedText()
{
    QGraphicsTextItem plain;
    plain.setPlainText("Detector 1");
    GraphicsTextItem framed;
    framed.setPlainText("Detector 1");
    QCOMPARE(framed.boundingRect(), plain.boundingRect());
    QCOMPARE(framed.framePen.widthF(), 1.0);
    QCOMPARE(framed.framePen.capStyle(), Qt::SquareCap);
    QCOMPARE(framed.framePen.joinStyle(), Qt::BevelJoin);
    QCOMPARE(framed.frameBrush.color(), QColor(Qt::white));

    auto *item = new GraphicsTextItem;
    item->setPlainText("Detector 1");
    item->frameMargin = 6;
    item->frameBrush = QBrush(Qt::yellow);
    item->framePen = QPen(Qt::blue, 1);
    QCOMPARE(item->boundingRect(), plain.boundingRect().adjusted(-6, -6, 6, 6));
    QGraphicsScene scene;
    scene.addItem(item);
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 200, 100),
        QRectF(item->boundingRect().topLeft() - QPointF(10, 10), QSizeF(200, 100)));
    painter.end();
    // Along a row through the margin: white page, blue outline, yellow fill.
    const int y = 13;
    int x = 0;
    while (x < 50 && image.pixelColor(x, y) == QColor(Qt::white))
        ++x;
    QVERIFY(qAbs(x - 10) <= 1);
    QCOMPARE(image.pixelColor(x, y), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(x + 3, y), QColor(Qt::yellow));
}

QTEST_MAIN(TestSceneItems)
#include "tst_sceneitems.moc"
