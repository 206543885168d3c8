#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/handoff.h"

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

#ifndef _WIN32
QString qs(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Clears what a start of ours left at the endpoint. Something of another
// user's is not ours to remove (in a private folder it cannot be there).
bool clearLeftOver(const std::filesystem::path& path, QString& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;
    if (st.st_uid != ::getuid()) {
        error = QStringLiteral("%1 belongs to another user; remove it to start Morvane").arg(qs(path));
        return false;
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec) {
        error = QStringLiteral("cannot remove the left-over %1: %2; remove it to start Morvane")
                    .arg(qs(path), QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

#endif

}  // namespace

QString defaultInstanceKey() { return QStringLiteral("Morvane-") + QDir::home().dirName(); }

std::filesystem::path instanceEndpoint(const std::filesystem::path& runtimeFolder, const QString& key) {
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return runtimeFolder / ("morvane-instance-" + hash.toStdString() + ".sock");
}

SingleInstance::SingleInstance(const QString& key, const std::filesystem::path& runtimeFolder, QObject* parent)
    : QObject(parent), key_(key), path_(instanceEndpoint(runtimeFolder, key)) {
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

#ifdef _WIN32

// The system's own way: a named mutex says whether one runs; the one that
// runs is asked over its pipe to show its window, or else found by its
// window title and brought to the front.
SingleInstance::Start SingleInstance::becomePrimary(QString& error) {
    const QString name = localName();
    const std::wstring mutexName = key_ == defaultInstanceKey()
                                       ? std::wstring(L" {57D1171D-1a34-0804-8A3A-65ABA2150010}")
                                       : (QStringLiteral("Morvane-") + name.section(QLatin1Char('\\'), -1)).toStdWString();
    mutex_ = CreateMutexW(nullptr, FALSE, mutexName.c_str());
    if (!mutex_) {
        error = QStringLiteral("cannot create the instance mutex (error %1)").arg(GetLastError());
        return Start::Failed;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (askPeer(name, 3000) == Peer::Answered) return Start::Raised;
        if (HWND first = FindWindowW(nullptr, L"Morvane")) {
            ShowWindowAsync(first, SW_SHOWNORMAL);
            SetForegroundWindow(first);
            return Start::Raised;
        }
        error = QStringLiteral("another Morvane runs but neither answers nor shows a window; end it in the Task Manager");
        return Start::Failed;
    }
    if (!server_.listen(name)) {
        error = QStringLiteral("cannot listen on %1: %2").arg(name, server_.errorString());
        return Start::Failed;
    }
    return Start::Primary;
}

SingleInstance::~SingleInstance() {
    if (mutex_) CloseHandle(static_cast<HANDLE>(mutex_));
}

#else

SingleInstance::~SingleInstance() = default;

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

#endif

QString SingleInstance::localName() const { return QString::fromStdString(localEndpointName(path_)); }

}  // namespace morvane
