// Hands the session's completions to the Qt event loop of the window's thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>

#include "session/dispatcher.h"

class QEventLoop;

namespace morvane {

class QtDispatcher final : public Dispatcher {
public:
    explicit QtDispatcher(QObject* context) : context_(context) {}
    void post(std::function<void()> fn) override;

    // While a command chain handed over by morvane-cli runs, the session's
    // blocking calls may wait for their results in a nested event loop that
    // paints the window but takes no user input.
    void setPumpable(bool on) { pumpable_ = on; }
    bool pumpable() const override { return pumpable_; }
    int pump(std::chrono::milliseconds wait) override;
    bool empty() const override { return pending_.load() == 0; }

private:
    QPointer<QObject> context_;
    bool pumpable_ = false;
    std::atomic<int> pending_{0};
    int ran_ = 0;
    QEventLoop* waiting_ = nullptr;
};

}  // namespace morvane
