#include "recalc/OffUiThread.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

void runOffUiThread(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // Queued, so an end before the loop runs still ends it.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}
