// One Morvane per user: a second start asks the first to show its window and
// exits without touching any file of the program.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>

namespace morvane {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Start {
        Primary,  // this process is the first and now answers the others
        Raised,   // another one answered and was asked to show its window
        Failed,   // neither: the error says why
    };

    // `key` names the instance (tests use their own). Its endpoint lies in
    // `runtimeFolder`, which must be this user's alone: anyone who can put a
    // file there could keep the program from starting.
    SingleInstance(const QString& key, const std::filesystem::path& runtimeFolder, QObject* parent = nullptr);

    // Only a peer that answers on the endpoint is another instance. A left
    // over endpoint of ours (a socket nobody listens on, a plain file) is
    // cleared and this one listens; what cannot be cleared or listened on is
    // a Failed with a one-line `error`.
    Start becomePrimary(QString& error);
    ~SingleInstance() override;

signals:
    // Another start asked this one to show its window.
    // `activationToken`: the Wayland launcher's token of the start that asks
    // (XDG_ACTIVATION_TOKEN), or empty.
    void raiseRequested(const QString& activationToken);

private:
    // The endpoint as the local server names it (a named pipe on Windows).
    QString localName() const;

    QString key_;
    std::filesystem::path path_;
    void* mutex_ = nullptr;  // Windows: the instance mutex, held for the process's life
    QLocalServer server_;
};

// The key of the ordinary program: one per user.
QString defaultInstanceKey();

// Where the instance named `key` listens.
std::filesystem::path instanceEndpoint(const std::filesystem::path& runtimeFolder, const QString& key);

}  // namespace morvane
