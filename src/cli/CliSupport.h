#pragma once
// Small helpers the vellumark-cli commands share.
#include "pdf/Document.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// Opens a PDF or explains on stderr why not; nullptr then.
pdf::DocumentPtr openOrComplain(const QString& path);

// Takes the value of an option ("-o OUT"); nullopt when absent; `error` set when the value
// is missing.
std::optional<QString> takeOption(QStringList& args, const QStringList& names, bool* error);
bool takeFlag(QStringList& args, const QString& name);

// Writes bytes atomically, or explains on stderr.
bool writeFileOrComplain(const QString& path, const QByteArray& bytes);

} // namespace cli
