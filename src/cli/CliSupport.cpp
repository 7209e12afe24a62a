#include "cli/CliSupport.h"

#include "cli/CliCommand.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include <vector>

namespace cli {

pdf::DocumentPtr openOrComplain(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        failure(QStringLiteral("%1: no such file").arg(path));
        return nullptr;
    }
    if (info.isDir()) {
        failure(QStringLiteral("%1: is a folder, not a PDF file").arg(path));
        return nullptr;
    }
    if (!info.isReadable()) {
        failure(QStringLiteral("%1: permission denied").arg(path));
        return nullptr;
    }
    QString reason;
    if (!base::isRegularFile(path, &reason)) {
        failure(QStringLiteral("%1: %2").arg(path, reason));
        return nullptr;
    }
    auto doc = pdf::Document::open(path);
    if (!doc)
        failure(QStringLiteral("%1: not a PDF file, or damaged beyond repair").arg(path));
    else if (doc->isLocked() && !unlockOrComplain(*doc, path))
        return nullptr;
    // Nothing can be read from, or made of, a document without a page.
    if (doc && doc->pageCount() == 0) {
        failure(QStringLiteral("%1: the document has no page that can be read").arg(path));
        return nullptr;
    }
    return doc;
}

namespace {

// Reads one line from the terminal with echo off; nullopt without a terminal.
std::optional<QString> askOnTerminal(const QString& path) {
    FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return std::nullopt;
    const int fd = fileno(tty);
    termios saved{};
    const bool quiet = tcgetattr(fd, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &silent);
    }
    std::fprintf(tty, "Password for %s: ", path.toLocal8Bit().constData());
    std::fflush(tty);
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, tty) != nullptr;
    if (quiet)
        tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', tty);
    std::fclose(tty);
    if (!read)
        return std::nullopt;
    QString password = QString::fromLocal8Bit(line);
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

} // namespace

bool unlockOrComplain(pdf::Document& document, const QString& path) {
    if (!document.isLocked())
        return true;
    if (qEnvironmentVariableIsSet("VELLUMARK_PASSWORD")) {
        if (document.unlock(qEnvironmentVariable("VELLUMARK_PASSWORD")))
            return true;
        failure(
            QStringLiteral("%1: the password in VELLUMARK_PASSWORD does not open it").arg(path));
        return false;
    }
    if (isatty(STDIN_FILENO)) {
        if (const auto password = askOnTerminal(path); password && document.unlock(*password))
            return true;
        failure(QStringLiteral("%1: wrong password").arg(path));
        return false;
    }
    failure(QStringLiteral("%1: the document is protected by a password; "
                           "put it in VELLUMARK_PASSWORD")
                .arg(path));
    return false;
}

pdf::WriteOptions keepingProtection() {
    pdf::WriteOptions options;
    options.keepProtection = true;
    return options;
}

std::optional<double> numberInRange(const QString& text, double low, double high) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

bool writeFileOrComplain(const QString& path, const QByteArray& bytes) {
    QString error;
    if (base::writeFile(path, bytes, &error))
        return true;
    failure(error);
    return false;
}

QString printable(const QString& text, bool keepLayout) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (keepLayout && (u == '\n' || u == '\t' || u == '\f')) {
            out += ch;
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            out += QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, '0');
        } else if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
            out += QStringLiteral("\\u") + QString::number(u, 16).toUpper();
        } else {
            out += ch;
        }
    }
    return out;
}

bool outputAllowed(const QString& output) {
    const QString clash = base::overwritesInput(output);
    if (clash.isEmpty())
        return true;
    failure(base::couldNotBeWritten(output, clash));
    return false;
}

int reportWritten(const Args& args, const QString& command, const QJsonArray& files,
                  const QJsonObject& extra) {
    if (!args.json())
        return 0;
    QJsonObject report = extra;
    report["command"] = command;
    report["files"] = files;
    printJson(report);
    return 0;
}

QJsonObject writtenFile(const QString& path, int pages) {
    QJsonObject file{{"path", path}, {"bytes", QFileInfo(path).size()}};
    if (pages >= 0)
        file["pages"] = pages;
    return file;
}

void keepUntilExit(std::shared_ptr<const void> object) {
    // Never destroyed: what it holds is never torn down, and never lost either.
    static auto* kept = new std::vector<std::shared_ptr<const void>>();
    kept->push_back(std::move(object));
}

} // namespace cli
