// Hands the session's completions to the Qt event loop of the window's thread.
#pragma once

#include <QObject>
#include <QPointer>

#include "app/session/dispatcher.h"

namespace morvane {

class QtDispatcher final : public Dispatcher {
public:
    explicit QtDispatcher(QObject* context) : context_(context) {}
    void post(std::function<void()> fn) override;

private:
    QPointer<QObject> context_;
};

}  // namespace morvane
