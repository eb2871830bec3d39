#include "app/backgroundwork.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <QThread>
#include <atomic>

class TestBackgroundWork : public QObject
{
    Q_OBJECT
private slots:
    void shortWorkLeavesTheWindowAlone();
    void longWorkKeepsTheWindowResponding();
};

void TestBackgroundWork::shortWorkLeavesTheWindowAlone()
{
    QWidget window;
    window.show();
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(0);
    bool disabledMeanwhile = false;
    const bool result = BackgroundWork::run(&window, [&] {
        disabledMeanwhile = !window.isEnabled();
        return true;
    });
    QVERIFY(result);
    QVERIFY(!disabledMeanwhile);
    // Done within the grace: no event ran meanwhile, the window stayed as it was.
    QCOMPARE(ticks, 0);
    QVERIFY(window.isEnabled());
    QVERIFY(!BackgroundWork::busy());
}

void TestBackgroundWork::longWorkKeepsTheWindowResponding()
{
    QWidget window;
    window.show();
    // A timer of the window's thread stands for repaints: it must keep firing,
    // with the window disabled, while the work runs elsewhere.
    std::atomic<bool> done { false };
    int ticks = 0;
    int enabledTicks = 0;
    bool busyMeanwhile = true;
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] {
        if (done)
            return;
        ++ticks;
        enabledTicks += window.isEnabled() ? 1 : 0;
        busyMeanwhile = busyMeanwhile && BackgroundWork::busy();
        longestGap = qMax(longestGap, sinceTick.restart());
    });
    timer.start(10);
    const Qt::HANDLE windowThread = QThread::currentThreadId();
    Qt::HANDLE workThread = nullptr;
    const bool result = BackgroundWork::run(&window, [&] {
        workThread = QThread::currentThreadId();
        QThread::msleep(700);
        done = true;
        return false;
    });
    QVERIFY(!result);
    QVERIFY(workThread != windowThread);
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QCOMPARE(enabledTicks, 0);
    QVERIFY(busyMeanwhile);
    QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
    QVERIFY(window.isEnabled());
    QVERIFY(!BackgroundWork::busy());
}

QTEST_MAIN(TestBackgroundWork)
#include "tst_backgroundwork.moc"
