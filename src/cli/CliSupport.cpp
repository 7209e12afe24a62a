#include "cli/CliSupport.h"

#include "cli/CliCommand.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "base/TerminalText.h"
#include "pdf/text/AnnotationText.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include <vector>

namespace cli {

pdf::DocumentPtr openFile(const QString& path, Reading how) {
    if (const QString reason = base::unreadableReason(path); !reason.isEmpty()) {
        failure(QStringLiteral("%1: %2").arg(printable(path), reason));
        return nullptr;
    }
    auto doc =
        how == Reading::Lookup ? pdf::Document::openForLookup(path) : pdf::Document::open(path);
    if (!doc)
        failure(
            QStringLiteral("%1: not a PDF file, or damaged beyond repair").arg(printable(path)));
    return doc;
}

pdf::DocumentPtr openOrComplain(const QString& path) {
    auto doc = openFile(path);
    if (doc && doc->isLocked() && !unlockOrComplain(*doc, path))
        return nullptr;
    // Nothing can be read from, or made of, a document without a page.
    if (doc && doc->pageCount() == 0) {
        failure(
            QStringLiteral("%1: the document has no page that can be read").arg(printable(path)));
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
        tcsetattr(fd, TCSANOW, &silent); // what was typed ahead is the answer
    }
    std::fprintf(tty, "Password for %s: ", printable(path).toUtf8().constData());
    std::fflush(tty);
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, tty) != nullptr;
    if (quiet)
        tcsetattr(fd, TCSANOW, &saved);
    std::fputc('\n', tty);
    std::fclose(tty);
    if (!read)
        return std::nullopt;
    QString password = QString::fromLocal8Bit(line);
    std::fill(std::begin(line), std::end(line), '\0');
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

} // namespace

QString unlockWithPassword(pdf::Document& document, const QString& path) {
    if (!document.isLocked())
        return {};
    const bool fromEnvironment = qEnvironmentVariableIsSet("VELLUMARK_PASSWORD");
    if (fromEnvironment && document.unlock(qEnvironmentVariable("VELLUMARK_PASSWORD")))
        return {};
    // Each file that the environment's password does not open is asked for in turn.
    if (isatty(STDIN_FILENO)) {
        const auto password = askOnTerminal(path);
        if (!password)
            return QStringLiteral("no password was given");
        return document.unlock(*password) ? QString() : QStringLiteral("wrong password");
    }
    return fromEnvironment ? QStringLiteral("the password in VELLUMARK_PASSWORD does not open it")
                           : QStringLiteral("the document is protected by a password; "
                                            "put it in VELLUMARK_PASSWORD");
}

bool unlockOrComplain(pdf::Document& document, const QString& path) {
    const QString reason = unlockWithPassword(document, path);
    if (reason.isEmpty())
        return true;
    failure(QStringLiteral("%1: %2").arg(printable(path), reason));
    return false;
}

Option noAnnotationsOption() {
    return {.name = "--no-annotations",
            .help = "leave out what form fields and free-text annotations show"};
}

void applyAnnotationChoice(const Args& args, const pdf::Document& document) {
    if (args.has("--no-annotations"))
        pdf::setTextTakesAnnotations(document, false);
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
    return base::terminalSafe(text, keepLayout);
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
