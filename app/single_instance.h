// One Morvane per user: a second start asks the first to show its window and
// exits without touching any file of the program.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace morvane {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the instance (tests use their own).
    explicit SingleInstance(QString key, QObject* parent = nullptr);

    // True when this process is the first; otherwise the first was asked to
    // raise its window and this process should end.
    bool becomePrimary();

signals:
    // Another start asked this one to show its window.
    void raiseRequested();

private:
    QString name_;
    QLocalServer server_;
};

// The key of the ordinary program: one per user.
QString defaultInstanceKey();

}  // namespace morvane
