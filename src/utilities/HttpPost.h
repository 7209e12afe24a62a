#pragma once
// One HTTP POST and its answer, bounded in time: what a timestamp server is asked with.
// Plain http only (a timestamp token is signed, so it needs no secret channel).
#include <QByteArray>
#include <QString>

#include <stdexcept>

class HttpPost {
public:
    HttpPost() = delete;

    struct Reply {
        int status = 0; // 200 for OK
        QByteArray contentType;
        QByteArray body;
    };

    // What went wrong, as a phrase ("cannot be reached: Connection refused").
    class Failure : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Sends `body` to `url` (http://host[:port]/path) and waits at most `timeoutMs` for the
    // whole answer, connecting included. Throws Failure.
    static Reply post(const QString& url, const QByteArray& contentType, const QByteArray& body,
                      int timeoutMs);
};
