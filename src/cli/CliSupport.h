#pragma once
// Small helpers the vellumark-cli commands share.
#include "cli/CliOptions.h"
#include "pdf/document/Document.h"

#include <QJsonArray>
#include <QJsonObject>

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace cli {

enum class Reading {
    Whole,  // pdf::Document::open
    Lookup, // pdf::Document::openForLookup: a short look at a long file
};
// Opens a PDF, still locked when it needs a password, or explains on stderr why not
// (no such file, permission denied, a folder, a FIFO, not a PDF); nullptr then.
pdf::DocumentPtr openFile(const QString& path, Reading how = Reading::Whole);
// Opens a PDF that has a page to read, unlocked, or explains on stderr why not; nullptr
// then. A protected file is unlocked as unlockWithPassword does.
pdf::DocumentPtr openOrComplain(const QString& path);
// Unlocks a locked document with the password in VELLUMARK_PASSWORD, or else, on a
// terminal, with one asked for there; a password is never taken from the command line,
// where other users could read it. Empty when the document is readable, else why not.
QString unlockWithPassword(pdf::Document& document, const QString& path);
// As unlockWithPassword; false, explained on stderr, when no password opens it.
bool unlockOrComplain(pdf::Document& document, const QString& path);

// --no-annotations, for the commands that read a document's text.
Option noAnnotationsOption();
// Leaves what form fields and free-text annotations show out of `document`'s text when
// the command line says --no-annotations.
void applyAnnotationChoice(const Args& args, const pdf::Document& document);

// How copies of a document are written: with the input's own encryption and permissions.
pdf::WriteOptions keepingProtection();

// `text` as a finite number within [low, high]; nullopt for anything else ("nan", "inf",
// "1e999", trailing junk, out of range).
std::optional<double> numberInRange(const QString& text, double low, double high);

// Writes bytes atomically, or explains on stderr.
bool writeFileOrComplain(const QString& path, const QByteArray& bytes);

// Text taken from a document, safe to print to a terminal: control characters (escape
// sequences that could clear the screen or retitle the window) and bidirectional
// overrides become visible \xHH / \uHHHH escapes. With `keepLayout`, line breaks, tabs
// and form feeds stay as they are.
QString printable(const QString& text, bool keepLayout = false);

// False, with the reason on stderr, when writing `output` would replace one of the files
// the command reads (checked again by every writer; asking first saves the work).
bool outputAllowed(const QString& output);

// What a writer reports with --json: {"command": NAME, "files": [...], ...extra} on
// stdout. Returns 0, the writer's exit status.
int reportWritten(const Args& args, const QString& command, const QJsonArray& files,
                  const QJsonObject& extra = {});
// {"path": PATH, "bytes": its size on disk}, and "pages" when `pages` is not negative.
QJsonObject writtenFile(const QString& path, int pages = -1);

// Holds `object` until the process ends, where the system takes back its memory at once:
// for a large document read by a command that ends with it, whose objects, let go of one
// by one, would cost about as long as reading them. It stays reachable to the end, so a
// leak checker finds nothing lost. Never for what must be written or closed first.
void keepUntilExit(std::shared_ptr<const void> object);

} // namespace cli
