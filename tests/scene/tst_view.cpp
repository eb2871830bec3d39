#include "scene/view.h"

#include <QGraphicsScene>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(QEvent::Type)

// Records which events the view passed on to the scene.
class RecordingScene : public QGraphicsScene
{
public:
    QList<QEvent::Type> seen;

protected:
    bool event(QEvent *event) override
    {
        seen.append(event->type());
        return QGraphicsScene::event(event);
    }
};

class TestView : public QObject
{
    Q_OBJECT
private slots:
    void forwarding_data();
    void forwarding();
    void enterAndLeaveAreReported();
};

enum Action
{
    NoAction,
    Accept,
    Ignore
};

static std::unique_ptr<QEvent> makeEvent(QEvent::Type type, QWidget *target)
{
    const QPointF pos(40, 40);
    const QPointF global = target->mapToGlobal(pos.toPoint());
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return std::make_unique<QMouseEvent>(
            type, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    case QEvent::MouseMove:
        return std::make_unique<QMouseEvent>(
            type, pos, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    case QEvent::Wheel:
        return std::make_unique<QWheelEvent>(pos, global, QPoint(), QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return std::make_unique<QKeyEvent>(type, Qt::Key_A, Qt::NoModifier, "a");
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        return std::make_unique<QFocusEvent>(type, Qt::OtherFocusReason);
    default:
        return nullptr;
    }
}

void TestView::forwarding_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<bool>("arrivesAccepted");
    QTest::addColumn<int>("action");
    QTest::addColumn<QEvent::Type>("sceneType");
    QTest::addColumn<bool>("sceneSees");

    const struct
    {
        const char *name;
        QEvent::Type type;
        QEvent::Type sceneType;
    } kinds[] = {
        { "press", QEvent::MouseButtonPress, QEvent::GraphicsSceneMousePress },
        { "release", QEvent::MouseButtonRelease, QEvent::GraphicsSceneMouseRelease },
        { "double-click", QEvent::MouseButtonDblClick, QEvent::GraphicsSceneMouseDoubleClick },
        { "wheel", QEvent::Wheel, QEvent::GraphicsSceneWheel },
        { "key press", QEvent::KeyPress, QEvent::KeyPress },
        { "key release", QEvent::KeyRelease, QEvent::KeyRelease },
        { "focus in", QEvent::FocusIn, QEvent::FocusIn },
        { "focus out", QEvent::FocusOut, QEvent::FocusOut },
    };
    for (const auto &kind : kinds) {
        const QByteArray name(kind.name);
        // The application hands wheel events to widgets unaccepted.
        if (kind.type != QEvent::Wheel)
            QTest::newRow(name + ", arrives accepted, no receiver")
                << kind.type << true << int(NoAction) << kind.sceneType << false;
        QTest::newRow(name + ", arrives ignored, no receiver")
            << kind.type << false << int(NoAction) << kind.sceneType << true;
        QTest::newRow(name + ", consumed")
            << kind.type << false << int(Accept) << kind.sceneType << false;
        QTest::newRow(name + ", handed back")
            << kind.type << true << int(Ignore) << kind.sceneType << true;
    }
    // Moves always reach the view's own handling.
    QTest::newRow("move, consumed")
        << QEvent::MouseMove << true << int(Accept) << QEvent::GraphicsSceneMouseMove << true;
    QTest::newRow("move, no receiver")
        << QEvent::MouseMove << true << int(NoAction) << QEvent::GraphicsSceneMouseMove << true;
}

void TestView::forwarding()
{
    QFETCH(QEvent::Type, type);
    QFETCH(bool, arrivesAccepted);
    QFETCH(int, action);
    QFETCH(QEvent::Type, sceneType);
    QFETCH(bool, sceneSees);

    RecordingScene scene;
    scene.setSceneRect(0, 0, 100, 100);
    View view;
    view.setScene(&scene);
    view.resize(200, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    int reported = 0;
    const auto receiver = [&](QEvent *event) {
        ++reported;
        if (action == Accept)
            event->accept();
        else if (action == Ignore)
            event->ignore();
    };
    connect(&view, &View::mousePress, receiver);
    connect(&view, &View::mouseRelease, receiver);
    connect(&view, &View::mouseDoubleClick, receiver);
    connect(&view, &View::mouseMove, receiver);
    connect(&view, &View::wheel, receiver);
    connect(&view, &View::keyPress, receiver);
    connect(&view, &View::keyRelease, receiver);
    connect(&view, &View::focusIn, receiver);
    connect(&view, &View::focusOut, receiver);

    const bool toViewport = type != QEvent::KeyPress && type != QEvent::KeyRelease
        && type != QEvent::FocusIn && type != QEvent::FocusOut;
    QWidget *target = toViewport ? view.viewport() : &view;
    std::unique_ptr<QEvent> event = makeEvent(type, target);
    event->setAccepted(arrivesAccepted);
    scene.seen.clear();
    // Sent straight to the widget, so that the accepted state is the one set here.
    QCoreApplication::instance()->notify(target, event.get());

    QCOMPARE(reported, 1);
    QCOMPARE(scene.seen.contains(sceneType), sceneSees);
}

void TestView::enterAndLeaveAreReported()
{
    qRegisterMetaType<QEvent *>();
    View view;
    QSignalSpy enter(&view, &View::enter);
    QSignalSpy leave(&view, &View::leave);
    QEvent enterEvent(QEvent::Enter);
    QEvent leaveEvent(QEvent::Leave);
    QApplication::sendEvent(&view, &enterEvent);
    QApplication::sendEvent(&view, &leaveEvent);
    QCOMPARE(enter.count(), 1);
    QCOMPARE(leave.count(), 1);
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
