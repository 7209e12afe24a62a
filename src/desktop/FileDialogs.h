#pragma once
// The seam for everything that asks a person to pick a file or folder. The core only
// sees this interface; the application installs the Qt dialogs at start-up and tests
// install a scripted implementation. Every call blocks until answered.
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// A kind of file a dialog offers, e.g. {"PDF Document", {"pdf"}}.
struct ContentType {
    QString description;
    QStringList extensions; // lower case, without the dot

    // "PDF Document (*.pdf *.PDF)"
    QString nameFilter() const;
    bool matches(const QString& fileName) const;
    bool operator==(const ContentType&) const = default;

    static ContentType pdf();
    static ContentType png();
    static ContentType jpeg();
    static ContentType tiff();
    static ContentType bmp();
    static ContentType gif();
    static ContentType plainText();
    // Every image kind the program reads, as one entry.
    static ContentType image();
};

struct OpenFileRequest {
    QList<ContentType> contentTypes; // empty: any file
    bool allowsMultipleSelection = false;
    QString title;          // empty: the dialog's default
    QString prompt;         // confirm-button title; empty: the default
    QString directory = {}; // where the dialog starts; empty: where the last one was answered
};

struct ChooseFolderRequest {
    QString prompt; // confirm-button title; empty: the default
    bool canCreateDirectories = true;
    QString title;
    QString directory = {}; // where the dialog starts; empty: where the last one was answered
};

struct SaveFileRequest {
    QList<ContentType> contentTypes;
    QString proposedName; // file name offered in the name field
    QString title;
    QString prompt;
    QString directory = {}; // where the dialog starts; empty: where the last one was answered
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // Absolute paths of the chosen files; empty when cancelled.
    virtual QStringList openFiles(const OpenFileRequest& request) = 0;
    // Absolute path of the chosen folder; empty when cancelled.
    virtual QString chooseFolder(const ChooseFolderRequest& request) = 0;
    // Absolute path to write; empty when cancelled.
    virtual QString saveFile(const SaveFileRequest& request) = 0;

    // Convenience for a single file.
    QString openFile(OpenFileRequest request);
    // One PDF document, with the dialog's own title and button, starting in `directory`.
    QString openPdf(const QString& directory = {});
    // Where to write a PDF document, proposing `proposedName` in `directory`.
    QString savePdf(const QString& proposedName, const QString& directory = {});

    // The folder of the file at `filePath` (a document's own folder, where its dialogs
    // start); empty for a document that came from no file.
    static QString folderOf(const QString& filePath);

    // The implementation in use. Until one is installed every dialog answers "cancelled",
    // which is the right answer for a process without a screen.
    static std::shared_ptr<FileDialogs> current();
    // Replaces the implementation; returns the previous one.
    static std::shared_ptr<FileDialogs> install(std::shared_ptr<FileDialogs> dialogs);
};
