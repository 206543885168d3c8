#include "app/handoff_server.h"

#include <QFile>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#ifdef __linux__
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

constexpr const char* kBuffer = "morvaneHandoffBuffer";

// Only this user's own processes may hand commands over: a chain can name
// programs for launch keys.
bool fromThisUser(QLocalSocket* socket) {
#ifdef __linux__
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == ::getuid();
#else
    (void)socket;
    return true;
#endif
}

void send(QLocalSocket* socket, const std::string& bytes) {
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket->flush();
}

}  // namespace

HandoffServer::HandoffServer(Runner runner, QObject* parent) : QObject(parent), runner_(std::move(runner)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (!fromThisUser(s)) {
                s->abort();
                continue;
            }
            connect(s, &QLocalSocket::readyRead, this, [this, s] { readFrom(s); });
            readFrom(s);
        }
    });
}

HandoffServer::~HandoffServer() {
    server_.close();
    if (!path_.isEmpty()) QFile::remove(path_);
}

bool HandoffServer::listen(const QString& socket, QString& error) {
    QLocalServer::removeServer(socket);
    if (!server_.listen(socket)) {
        error = QStringLiteral("cannot listen on ") + socket + QStringLiteral(": ") + server_.errorString();
        return false;
    }
    path_ = socket;
    return true;
}

void HandoffServer::setReady() {
    ready_ = true;
    QTimer::singleShot(0, this, &HandoffServer::runNext);
}

void HandoffServer::readFrom(QLocalSocket* socket) {
    QByteArray buffer = socket->property(kBuffer).toByteArray() + socket->readAll();
    HandoffRequest request;
    switch (decodeRequest(std::string_view(buffer.constData(), static_cast<std::size_t>(buffer.size())), request)) {
    case Decoded::Incomplete:
        socket->setProperty(kBuffer, buffer);
        return;
    case Decoded::Bad:
        socket->abort();
        return;
    case Decoded::Done:
        break;
    }
    socket->setProperty(kBuffer, QByteArray());
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    jobs_.push_back({socket, std::move(request), false});
    // A chain that cannot run at once is told why, so its morvane-cli can say
    // what it waits for and give up; one that runs at once gets its reply only.
    if (!ready_ || running_ || jobs_.size() > 1) {
        send(socket, encodeProgress(ready_ ? HandoffProgress::Busy : HandoffProgress::Starting));
        jobs_.back().noted = true;
    }
    QTimer::singleShot(0, this, &HandoffServer::runNext);
}

void HandoffServer::runNext() {
    // One chain at a time: a chain that waits for the keyboard pumps events,
    // and the next one must not start inside it.
    if (!ready_ || running_ || jobs_.empty()) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    // Its morvane-cli gave up waiting and said so: the chain must not run now.
    // A look at the socket notices a close the event loop has not yet seen.
    if (job.socket && job.socket->state() == QLocalSocket::ConnectedState) job.socket->waitForReadyRead(0);
    if (!job.socket || job.socket->state() != QLocalSocket::ConnectedState) return runNext();
    if (job.noted) send(job.socket, encodeProgress(HandoffProgress::Running));
    running_ = true;
    const HandoffReply reply = runner_(job.request);
    running_ = false;
    if (job.socket && job.socket->state() == QLocalSocket::ConnectedState) {
        send(job.socket, encodeReply(reply));
        job.socket->disconnectFromServer();  // after what is written has gone
    }
    if (!jobs_.empty()) QTimer::singleShot(0, this, &HandoffServer::runNext);
}

}  // namespace morvane
