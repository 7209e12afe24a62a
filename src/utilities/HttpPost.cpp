#include "utilities/HttpPost.h"

#include <QDeadlineTimer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxReply = 1 << 20; // a token is a few kilobytes

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void fail(const std::string& what) {
    throw HttpPost::Failure(what);
}

// Waits for `events` on `fd` until the deadline; false when it passed.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(std::min<qint64>(left, 1000)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return true; // let the read or write report it
    }
}

int connectTo(const QUrl& url, const QDeadlineTimer& deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray host = url.host().toUtf8();
    const QByteArray port = QByteArray::number(url.port(80));
    if (const int error = ::getaddrinfo(host.constData(), port.constData(), &hints, &found))
        fail("cannot be found: " + std::string(gai_strerror(error)));
    std::string reason = "cannot be reached";
    int connected = -1;
    for (addrinfo* a = found; a && connected < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        int error = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            error = ETIMEDOUT;
            if (waitFor(fd, POLLOUT, deadline)) {
                socklen_t length = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            }
        }
        if (error == 0) {
            connected = fd;
        } else {
            reason = "cannot be reached: " + std::string(std::strerror(error));
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (connected < 0)
        fail(reason);
    return connected;
}

HttpPost::Reply parse(const QByteArray& raw) {
    const qsizetype headerEnd = raw.indexOf("\r\n\r\n");
    if (!raw.startsWith("HTTP/") || headerEnd < 0)
        fail("did not answer in HTTP");
    const QList<QByteArray> lines = raw.left(headerEnd).split('\n');
    HttpPost::Reply reply;
    const QList<QByteArray> status = lines.first().trimmed().split(' ');
    reply.status = status.size() > 1 ? status[1].toInt() : 0;
    qsizetype length = -1;
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-type")
            reply.contentType = value;
        else if (name == "content-length")
            length = value.toLongLong();
        else if (name == "transfer-encoding" && value.toLower() != "identity")
            fail("answered in a transfer encoding this program does not read");
    }
    reply.body = raw.mid(headerEnd + 4);
    if (length >= 0) {
        if (reply.body.size() < length)
            fail("closed the connection before its answer was complete");
        reply.body.truncate(length);
    }
    return reply;
}

} // namespace

HttpPost::Reply HttpPost::post(const QString& url, const QByteArray& contentType,
                               const QByteArray& body, int timeoutMs) {
    const QUrl parsed(url);
    if (!parsed.isValid() || parsed.scheme() != "http" || parsed.host().isEmpty())
        fail("is not an http:// address");
    const QDeadlineTimer deadline(timeoutMs);
    const Socket socket(connectTo(parsed, deadline));
    const int fd = socket.fd();

    QByteArray path = parsed.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty())
        path = "/";
    if (parsed.hasQuery())
        path += "?" + parsed.query(QUrl::FullyEncoded).toUtf8();
    // HTTP/1.0: the answer comes whole and the server closes when done.
    const QByteArray request = "POST " + path +
                               " HTTP/1.0\r\nHost: " + parsed.host(QUrl::FullyEncoded).toUtf8() +
                               (parsed.port() > 0 ? ":" + QByteArray::number(parsed.port()) : "") +
                               "\r\nContent-Type: " + contentType +
                               "\r\nContent-Length: " + QByteArray::number(body.size()) +
                               "\r\nConnection: close\r\n\r\n" + body;
    const QString late = QString("did not answer within %1 s").arg((timeoutMs + 999) / 1000);
    for (qsizetype sent = 0; sent < request.size();) {
        if (!waitFor(fd, POLLOUT, deadline))
            fail(late.toStdString());
        const ssize_t n =
            ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            fail("cannot be written to: " + std::string(std::strerror(errno)));
        sent += n > 0 ? n : 0;
    }
    QByteArray raw;
    char buffer[16384];
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline))
            fail(late.toStdString());
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            fail("broke the connection: " + std::string(std::strerror(errno)));
        }
        raw.append(buffer, n);
        if (raw.size() > kMaxReply)
            fail("answered with far more than a timestamp");
    }
    return parse(raw);
}
