#include "cli/CliSupport.h"

#include "cli/CliCommand.h"

#include <QFileInfo>
#include "base/AtomicFile.h"

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
    base::AtomicFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        failure(QStringLiteral("cannot write %1: %2").arg(path, file.reason()));
        return false;
    }
    return true;
}

} // namespace cli
