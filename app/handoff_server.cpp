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
    jobs_.push_back({socket, std::move(request)});
    QTimer::singleShot(0, this, &HandoffServer::runNext);
}

void HandoffServer::runNext() {
    // One chain at a time: a chain that waits for the keyboard pumps events,
    // and the next one must not start inside it.
    if (!ready_ || running_ || jobs_.empty()) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    if (!job.socket) return runNext();
    running_ = true;
    const HandoffReply reply = runner_(job.request);
    running_ = false;
    if (job.socket && job.socket->state() == QLocalSocket::ConnectedState) {
        const std::string bytes = encodeReply(reply);
        job.socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
        job.socket->disconnectFromServer();  // after what is written has gone
    }
    if (!jobs_.empty()) QTimer::singleShot(0, this, &HandoffServer::runNext);
}

}  // namespace morvane
