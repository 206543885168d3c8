#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace morvane {

QString defaultInstanceKey() { return QStringLiteral("Morvane-") + QDir::home().dirName(); }

SingleInstance::SingleInstance(QString key, QObject* parent) : QObject(parent) {
    name_ = QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    name_.prepend(QStringLiteral("morvane-"));
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            emit raiseRequested();
        }
    });
}

bool SingleInstance::becomePrimary() {
    auto askFirst = [this] {
        QLocalSocket socket;
        socket.connectToServer(name_);
        if (!socket.waitForConnected(500)) return false;
        socket.write("raise\n");
        socket.waitForBytesWritten(500);
        socket.disconnectFromServer();
        return true;
    };
    if (askFirst()) return false;
    // Two starts at once: the lock decides which one clears a stale socket and listens.
    QLockFile lock(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    if (!lock.tryLock(2000)) return !askFirst();
    if (askFirst()) return false;
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

}  // namespace morvane
