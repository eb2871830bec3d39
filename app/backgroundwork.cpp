#include "app/backgroundwork.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QWidget>

#include <memory>

namespace BackgroundWork {

namespace {

    int running = 0;

} // namespace

bool run(QWidget *window, const std::function<bool()> &work)
{
    bool result = false;
    std::unique_ptr<QThread> thread(QThread::create([&result, &work] { result = work(); }));
    QEventLoop loop;
    // Queued to this thread: a finish before exec() still ends the loop.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    ++running;
    thread->start();
    if (!thread->wait(graceMs)) {
        const bool wasEnabled = window && window->isEnabled();
        if (wasEnabled)
            window->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Input reaches the disabled window and is dropped, not held back for later.
        loop.exec();
        QApplication::restoreOverrideCursor();
        if (wasEnabled)
            window->setEnabled(true);
    }
    thread->wait();
    --running;
    return result;
}

bool busy()
{
    return running > 0;
}

} // namespace BackgroundWork
