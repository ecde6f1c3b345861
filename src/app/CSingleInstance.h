#pragma once
// One running viewer per user. The first start holds a lock file named after the program's
// mutex and the user and listens on a local socket of the same name; a later start finds the
// lock taken and hands its paths to the running one over the socket. A lock or socket left by
// a crashed viewer is recognised (its process is gone) and taken over.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLockFile;

inline constexpr const char* kInstanceMutexName = "OrvalisLtd_VITREA_Mutex";

class CSingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role { Primary, Secondary };

    // name: the lock and socket name without folder; both live in $XDG_RUNTIME_DIR, or when
    // that is not set in lumetra-view-<uid> of the temporary folder, which must be the user's
    // own with mode 0700 (made so when missing).
    explicit CSingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The mutex name and the user's id.
    static QString DefaultName();
    // Empty when the private folder was refused: then the viewer runs alone, without hand-over.
    QString SocketPath() const;
    QString LockPath() const;

    // Takes the lock. The primary instance then listens for hand-overs; when the lock cannot
    // be taken for another reason than a running viewer (an unwritable folder), the viewer
    // runs as primary without them.
    Role Acquire();
    bool IsListening() const;
    // Stops listening and lets the lock go, so that a new start becomes the primary one while
    // this viewer is still ending.
    void Release();
    // Gives the paths to the running viewer; false when it cannot be reached in time.
    bool HandOver(const QStringList& paths, int timeoutMs = 3000) const;

Q_SIGNALS:
    // A later start handed over these paths.
    void PathsReceived(const QStringList& paths);

private:
    void Accept();

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};
