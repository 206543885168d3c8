// The window program's end of the hand-off: it listens on the folder's
// socket, reads each whole command chain morvane-cli sends, runs it (one at a
// time, once the program has started) and answers its output and status.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>

#include "platform/handoff.h"

class QLocalSocket;

namespace morvane {

class HandoffServer : public QObject {
    Q_OBJECT
public:
    using Runner = std::function<HandoffReply(const HandoffRequest&)>;

    explicit HandoffServer(Runner runner, QObject* parent = nullptr);
    ~HandoffServer() override;

    // Listens on `socket` (a left-over file there is replaced: the caller
    // holds the folder's lock, so no other program listens there).
    bool listen(const QString& socket, QString& error);
    // Chains wait until the program has started; then they run in order.
    void setReady();

private:
    void readFrom(QLocalSocket* socket);
    void runNext();

    Runner runner_;
    QLocalServer server_;
    QString path_;
    bool ready_ = false;
    bool running_ = false;
    struct Job {
        QPointer<QLocalSocket> socket;
        HandoffRequest request;
        bool noted;  // told it waits: told again when it runs
    };
    std::deque<Job> jobs_;
};

}  // namespace morvane
