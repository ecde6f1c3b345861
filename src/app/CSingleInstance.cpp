#include "app/CSingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <memory>

#include <unistd.h>

namespace {

// Paths are file-system bytes and never hold a NUL, so NUL ends each one.
constexpr char kSeparator = '\0';
// More than any command line can hold; a peer sending more is not a viewer.
constexpr qsizetype kMaxHandOver = 1 << 20;

QString RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

QStringList DecodePaths(const QByteArray& bytes) {
    QStringList paths;
    for (const QByteArray& path : bytes.split(kSeparator)) {
        if (!path.isEmpty())
            paths << QFile::decodeName(path);
    }
    return paths;
}

} // namespace

CSingleInstance::CSingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {}

CSingleInstance::~CSingleInstance() {
    if (server_)
        server_->close();
}

QString CSingleInstance::DefaultName() {
    return QStringLiteral("%1-%2").arg(QString::fromLatin1(kInstanceMutexName)).arg(getuid());
}

QString CSingleInstance::SocketPath() const {
    return RuntimeFolder() + QLatin1Char('/') + name_;
}

QString CSingleInstance::LockPath() const {
    return SocketPath() + QStringLiteral(".lock");
}

CSingleInstance::Role CSingleInstance::Acquire() {
    lock_ = std::make_unique<QLockFile>(LockPath());
    // Held for the whole run: only a vanished owner makes it stale, never its age.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        if (lock_->error() == QLockFile::LockFailedError)
            return Role::Secondary;
        return Role::Primary;
    }
    // The lock is ours, so a socket still there belongs to a viewer that crashed.
    QLocalServer::removeServer(SocketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &CSingleInstance::Accept);
    if (!server_->listen(SocketPath())) {
        delete server_;
        server_ = nullptr;
    }
    return Role::Primary;
}

bool CSingleInstance::IsListening() const {
    return server_ && server_->isListening();
}

void CSingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() > kMaxHandOver) {
                buffer->clear();
                socket->abort();
            }
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            if (buffer->size() + socket->bytesAvailable() <= kMaxHandOver)
                buffer->append(socket->readAll());
            socket->deleteLater();
            const QStringList paths = DecodePaths(*buffer);
            if (!paths.isEmpty())
                Q_EMIT PathsReceived(paths);
        });
    }
}

bool CSingleInstance::HandOver(const QStringList& paths, int timeoutMs) const {
    QByteArray bytes;
    for (const QString& path : paths) {
        bytes += QFile::encodeName(path);
        bytes += kSeparator;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running viewer may hold the lock and not be listening yet.
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(static_cast<int>(deadline.remainingTime()));
    return true;
}
