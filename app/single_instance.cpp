#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

// What the first instance says to every start that reaches it.
constexpr char kAnswer[] = "morvane-raised\n";

enum class Peer { None, Answered, Silent };

// A socket file nobody listens on, or something that is no socket, refuses
// the connection: no peer. A listener that says nothing is not taken for
// another instance either.
Peer askPeer(const QString& path, int answerWithinMs) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000)) return Peer::None;
    // The token a Wayland launcher gave this start lets the first instance
    // come to the front where the compositor would otherwise refuse it.
    socket.write("raise " + qgetenv("XDG_ACTIVATION_TOKEN") + "\n");
    socket.waitForBytesWritten(500);
    QByteArray got;
    while (!got.contains('\n') && socket.waitForReadyRead(answerWithinMs)) got += socket.readAll();
    got += socket.readAll();
    socket.disconnectFromServer();
    return got.startsWith(kAnswer) ? Peer::Answered : Peer::Silent;
}

// An activation token is an opaque word; anything else is not passed on.
QString activationToken(const QByteArray& text) {
    if (text.size() > 256) return {};
    for (const char c : text)
        if (c <= ' ' || c > '~') return {};
    return QString::fromLatin1(text);
}

QString qs(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Clears what a start of ours left at the endpoint. Something of another
// user's is not ours to remove (in a private folder it cannot be there).
bool clearLeftOver(const std::filesystem::path& path, QString& error) {
#ifndef _WIN32
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;
    if (st.st_uid != ::getuid()) {
        error = QStringLiteral("%1 belongs to another user; remove it to start Morvane").arg(qs(path));
        return false;
    }
#endif
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec) {
        error = QStringLiteral("cannot remove the left-over %1: %2; remove it to start Morvane")
                    .arg(qs(path), QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

}  // namespace

QString defaultInstanceKey() { return QStringLiteral("Morvane-") + QDir::home().dirName(); }

std::filesystem::path instanceEndpoint(const std::filesystem::path& runtimeFolder, const QString& key) {
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return runtimeFolder / ("morvane-instance-" + hash.toStdString() + ".sock");
}

SingleInstance::SingleInstance(const QString& key, const std::filesystem::path& runtimeFolder, QObject* parent)
    : QObject(parent), path_(instanceEndpoint(runtimeFolder, key)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->write(kAnswer);
            s->flush();
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine()) {
                    if (s->bytesAvailable() > 1024) s->abort();  // no request is that long
                    return;
                }
                const QByteArray line = s->readLine(1024).trimmed();
                s->disconnect(this);
                if (line == "raise" || line.startsWith("raise ")) emit raiseRequested(activationToken(line.mid(6)));
            });
        }
    });
}

SingleInstance::Start SingleInstance::becomePrimary(QString& error) {
    const QString path = qs(path_);
    // The first may be busy a moment (starting, or a chain on its way).
    constexpr int kAnswerWithin = 3000;
    const auto silent = [&] {
        error = QStringLiteral("another Morvane listens on %1 but did not answer within %2 s; try again")
                    .arg(path)
                    .arg(kAnswerWithin / 1000);
        return Start::Failed;
    };
    switch (askPeer(path, kAnswerWithin)) {
    case Peer::Answered: return Start::Raised;
    case Peer::Silent: return silent();
    case Peer::None: break;
    }
    // Two starts at once: the lock decides which one clears a left-over
    // endpoint and listens; the other asks the winner.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kAnswerWithin)) {
        if (askPeer(path, kAnswerWithin) == Peer::Answered) return Start::Raised;
        error = QStringLiteral("another Morvane holds %1.lock but does not answer on %1; try again").arg(path);
        return Start::Failed;
    }
    switch (askPeer(path, kAnswerWithin)) {
    case Peer::Answered: return Start::Raised;
    case Peer::Silent: return silent();
    case Peer::None: break;
    }
    if (!clearLeftOver(path_, error)) return Start::Failed;
    if (!server_.listen(path)) {
        error = QStringLiteral("cannot listen on %1: %2").arg(path, server_.errorString());
        return Start::Failed;
    }
    return Start::Primary;
}

}  // namespace morvane
