#include "app/qt_dispatcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

namespace morvane {

void QtDispatcher::post(std::function<void()> fn) {
    // The context is used from other threads only to queue the call; the call
    // itself runs on the context's thread, and not at all once it is gone.
    QObject* context = context_.data();
    if (!context) return;
    ++pending_;
    QMetaObject::invokeMethod(
        context,
        [this, fn = std::move(fn)] {
            --pending_;
            ++ran_;
            fn();
            if (waiting_) waiting_->quit();
        },
        Qt::QueuedConnection);
}

int QtDispatcher::pump(std::chrono::milliseconds wait) {
    const int before = ran_;
    if (pending_.load() == 0 && wait.count() > 0) {
        QEventLoop loop;
        QEventLoop* outer = waiting_;
        waiting_ = &loop;
        QTimer::singleShot(wait, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        waiting_ = outer;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return ran_ - before;
}

}  // namespace morvane
