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
    Qt::HANDLE workThread = nullptr;
    QVERIFY(BackgroundWork::run(&window, [&workThread] {
        workThread = QThread::currentThreadId();
        return true;
    }));
    QVERIFY(workThread != QThread::currentThreadId());
    QVERIFY(window.isEnabled());
    QVERIFY(!BackgroundWork::busy());
}

void TestBackgroundWork::longWorkKeepsTheWindowResponding()
{
    QWidget window;
    window.show();
    // A timer of the window's thread stands for repaints: the work waits until
    // it has fired a few times, which it can only do while the window's thread
    // runs its events, with the window disabled.
    std::atomic<int> ticks { 0 };
    std::atomic<bool> done { false };
    int enabledTicks = 0;
    bool busyMeanwhile = true;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] {
        if (done)
            return;
        ++ticks;
        enabledTicks += window.isEnabled() ? 1 : 0;
        busyMeanwhile = busyMeanwhile && BackgroundWork::busy();
    });
    timer.start(10);
    const Qt::HANDLE windowThread = QThread::currentThreadId();
    Qt::HANDLE workThread = nullptr;
    const bool result = BackgroundWork::run(&window, [&] {
        workThread = QThread::currentThreadId();
        QElapsedTimer waited;
        waited.start();
        while (ticks < 5 && waited.elapsed() < 20000)
            QThread::msleep(5);
        done = true;
        return false;
    });
    QVERIFY(!result);
    QVERIFY(workThread != windowThread);
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QCOMPARE(enabledTicks, 0);
    QVERIFY(busyMeanwhile);
    QVERIFY(window.isEnabled());
    QVERIFY(!BackgroundWork::busy());
}

QTEST_MAIN(TestBackgroundWork)
#include "tst_backgroundwork.moc"
