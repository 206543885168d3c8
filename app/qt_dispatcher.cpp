#include "app/qt_dispatcher.h"

#include <QMetaObject>

namespace morvane {

void QtDispatcher::post(std::function<void()> fn) {
    // The context is used from other threads only to queue the call; the call
    // itself runs on the context's thread, and not at all once it is gone.
    QObject* context = context_.data();
    if (!context) return;
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

}  // namespace morvane
