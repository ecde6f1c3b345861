#include "app/CSingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <memory>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Paths are file-system bytes and never hold a NUL, so NUL ends each one.
constexpr char kSeparator = '\0';
// More than any command line can hold; a peer sending more is not a viewer.
constexpr qsizetype kMaxHandOver = 1 << 20;

// The user's own folder in the shared temporary folder: made 0700 when missing, and refused
// (empty) unless it is a real folder of this user that nobody else may enter, since another
// user could otherwise hold the lock or listen for the handed-over paths.
QString PrivateTemporaryFolder() {
    const QString folder =
        QDir::tempPath() +
        QStringLiteral("/lumetra-view-%1").arg(static_cast<qulonglong>(getuid()));
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != getuid() || (status.st_mode & 077) != 0) {
        qWarning("lumetra-view: %s is not a private folder of this user; running without "
                 "hand-over",
                 path.constData());
        return {};
    }
    return folder;
}

QString RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return PrivateTemporaryFolder();
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
    const QString folder = RuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name_;
}

QString CSingleInstance::LockPath() const {
    const QString socket = SocketPath();
    return socket.isEmpty() ? QString() : socket + QStringLiteral(".lock");
}

CSingleInstance::Role CSingleInstance::Acquire() {
    if (SocketPath().isEmpty())
        return Role::Primary;
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

void CSingleInstance::Release() {
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
    if (lock_)
        lock_->unlock();
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
    if (SocketPath().isEmpty())
        return false;
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
