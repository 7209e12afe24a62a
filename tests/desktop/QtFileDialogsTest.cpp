#include "desktop/qt/QtFileDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Inspects the dialog once it is up, then answers it.
void whenDialogShows(std::function<void(QFileDialog*)> handle) {
    // Only the pending timer holds the poll, so it is freed once the dialog was answered.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [handle, weak = std::weak_ptr<std::function<void()>>(poll)] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                handle(d);
                return;
            }
        if (auto self = weak.lock())
            QTimer::singleShot(10, [self] { (*self)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

} // namespace

TEST(QtFileDialogs, FolderDialogShowsConfirmTitleAndNewFolderButton) {
    QTemporaryDir dir;
    QString prompt;
    bool canCreate = false;
    bool dirsOnly = false;
    whenDialogShows([&](QFileDialog* d) {
        prompt = d->labelText(QFileDialog::Accept);
        const auto* newFolder = d->findChild<QToolButton*>("newFolderButton");
        canCreate = newFolder && newFolder->isVisible() && newFolder->isEnabled();
        dirsOnly =
            d->fileMode() == QFileDialog::Directory && d->testOption(QFileDialog::ShowDirsOnly);
        d->setDirectory(dir.path());
        d->selectFile(dir.path());
        static_cast<QDialog*>(d)->accept();
    });
    const QString chosen = QtFileDialogs().chooseFolder({"Export Here", true, {}});
    EXPECT_EQ(prompt, "Export Here");
    EXPECT_TRUE(canCreate);
    EXPECT_TRUE(dirsOnly);
    EXPECT_EQ(QFileInfo(chosen).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
}

TEST(QtFileDialogs, SaveDialogProposesTheNameAndFilters) {
    QString proposed;
    QStringList filters;
    whenDialogShows([&](QFileDialog* d) {
        if (auto* edit = d->findChild<QLineEdit*>("fileNameEdit"))
            proposed = edit->text();
        filters = d->nameFilters();
        d->reject();
    });
    const QString chosen =
        QtFileDialogs().saveFile({{ContentType::pdf()}, "report_annotated.pdf", {}, {}});
    EXPECT_TRUE(chosen.isEmpty()); // cancelled
    EXPECT_EQ(proposed, "report_annotated.pdf");
    EXPECT_EQ(filters, QStringList{"PDF Document (*.pdf *.PDF)"});
}

TEST(QtFileDialogs, OpenDialogHonoursMultipleSelection) {
    QTemporaryDir dir;
    QFile a(dir.filePath("a.pdf")), b(dir.filePath("b.pdf"));
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.close();
    b.close();
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    whenDialogShows([&](QFileDialog* d) {
        mode = d->fileMode();
        d->setDirectory(dir.path());
        d->selectFile("\"a.pdf\" \"b.pdf\"");
        static_cast<QDialog*>(d)->accept();
    });
    const QStringList files = QtFileDialogs().openFiles({{ContentType::pdf()}, true, {}, {}});
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(files.size(), 2);
}

TEST(QtFileDialogs, NextDialogStartsWhereTheLastOneWasAnswered) {
    QTemporaryDir dir;
    whenDialogShows([&](QFileDialog* d) {
        d->setDirectory(dir.path());
        d->selectFile(dir.path());
        static_cast<QDialog*>(d)->accept();
    });
    ASSERT_FALSE(QtFileDialogs().chooseFolder({}).isEmpty());
    QString startedIn;
    whenDialogShows([&](QFileDialog* d) {
        startedIn = d->directory().absolutePath();
        d->reject();
    });
    QtFileDialogs().saveFile({{ContentType::plainText()}, "notes.txt", {}, {}});
    EXPECT_EQ(QFileInfo(startedIn).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
}

TEST(QtFileDialogs, StartsInTheRequestedFolderAndListsPdfsOfAnyCase) {
    QTemporaryDir dir;
    for (const char* name : {"Report.Pdf", "scan.PDF", "plain.pdf", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString startedIn;
    QStringList listed;
    whenDialogShows([&](QFileDialog* d) {
        startedIn = d->directory().absolutePath();
        auto* view = d->findChild<QListView*>("listView");
        // The folder is read in the background; wait until its files are listed.
        for (int i = 0; view && i < 200 && listed.size() < 3; ++i) {
            QTest::qWait(10);
            listed.clear();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row) {
                const QModelIndex index = view->model()->index(row, 0, root);
                if (view->model()->flags(index) & Qt::ItemIsEnabled)
                    listed << index.data().toString();
            }
        }
        d->reject();
    });
    OpenFileRequest request{{ContentType::pdf()}, false, {}, {}};
    request.directory = dir.path();
    EXPECT_TRUE(QtFileDialogs().openFiles(request).isEmpty());
    EXPECT_EQ(QFileInfo(startedIn).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Report.Pdf", "plain.pdf", "scan.PDF"}));

    // A folder that has gone since falls back to where the last dialog was answered.
    startedIn.clear();
    whenDialogShows([&](QFileDialog* d) {
        startedIn = d->directory().absolutePath();
        d->reject();
    });
    SaveFileRequest save{{ContentType::pdf()}, "copy.pdf", {}, {}};
    save.directory = dir.filePath("gone");
    QtFileDialogs().saveFile(save);
    EXPECT_FALSE(startedIn.isEmpty());
    EXPECT_NE(startedIn, save.directory);
}
