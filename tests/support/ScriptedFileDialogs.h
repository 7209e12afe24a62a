#pragma once
// File dialogs for tests: answers come from a script, every request is recorded so a
// test can check what the person would have been asked. An unscripted dialog is
// answered as cancelled.
#include "desktop/FileDialogs.h"

#include <deque>
#include <memory>
#include <vector>

class ScriptedFileDialogs : public FileDialogs {
public:
    // The next open dialog answers with `paths` (empty list: cancelled).
    void scriptOpen(QStringList paths) { openAnswers.push_back(std::move(paths)); }
    void scriptFolder(QString path) { folderAnswers.push_back(std::move(path)); }
    void scriptSave(QString path) { saveAnswers.push_back(std::move(path)); }

    QStringList openFiles(const OpenFileRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    QString chooseFolder(const ChooseFolderRequest& request) override {
        folderRequests.push_back(request);
        return next(folderAnswers);
    }
    QString saveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }

    std::vector<OpenFileRequest> openRequests;
    std::vector<ChooseFolderRequest> folderRequests;
    std::vector<SaveFileRequest> saveRequests;

    std::deque<QStringList> openAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> saveAnswers;

private:
    template <typename T> static T next(std::deque<T>& answers) {
        if (answers.empty())
            return T();
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

// Installs a ScriptedFileDialogs for the life of the guard and restores the previous one.
class ScopedFileDialogs {
public:
    ScopedFileDialogs()
        : dialogs_(std::make_shared<ScriptedFileDialogs>()),
          previous_(FileDialogs::install(dialogs_)) {}
    ~ScopedFileDialogs() { FileDialogs::install(previous_); }
    ScopedFileDialogs(const ScopedFileDialogs&) = delete;
    ScopedFileDialogs& operator=(const ScopedFileDialogs&) = delete;

    ScriptedFileDialogs* operator->() const { return dialogs_.get(); }
    ScriptedFileDialogs& operator*() const { return *dialogs_; }

private:
    std::shared_ptr<ScriptedFileDialogs> dialogs_;
    std::shared_ptr<FileDialogs> previous_;
};
