#include "cli/CliSupport.h"

#include "cli/CliCommand.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"

#include <QFileInfo>

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
    else if (doc->isLocked()) {
        failure(QStringLiteral("%1: the document is protected by a password").arg(path));
        return nullptr;
    }
    return doc;
}

std::optional<QString> takeOption(QStringList& args, const QStringList& names, bool* error) {
    for (int i = 0; i < args.size(); ++i) {
        if (!names.contains(args[i]))
            continue;
        if (i + 1 >= args.size()) {
            if (error)
                *error = true;
            args.removeAt(i);
            return std::nullopt;
        }
        const QString value = args[i + 1];
        args.remove(i, 2);
        return value;
    }
    return std::nullopt;
}

bool takeFlag(QStringList& args, const QString& name) { return args.removeAll(name) > 0; }

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

QStringList inputArguments(const QStringList& args) {
    QStringList inputs;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output")
            ++i;
        else
            inputs << args[i];
    }
    return inputs;
}

} // namespace cli
