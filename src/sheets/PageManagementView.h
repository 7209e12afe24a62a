#pragma once
// The "Page Management" sheet: rotate, delete, insert, extract, split and merge, always
// about the document view model's current page, beside a grid of page cards. Edits change
// the open document in memory; extract and split write new files. Each runs on a worker
// (PageManagementViewModel) while a progress line shows and the actions wait.
#include <QDialog>

class DocumentViewModel;
class PageGridModel;
class PageManagementViewModel;
class QLabel;
class QProgressBar;
class QListView;
class QPushButton;

class PageManagementView : public QDialog {
    Q_OBJECT
public:
    explicit PageManagementView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    void rotateCurrentPage();
    void deleteCurrentPage();
    void insertBlankPage();
    void insertFromFile();
    void extractCurrentPage();
    void splitDocument();
    void mergeDocument();

    // A failed write or skipped files, named; empty when the last action went well.
    QString statusMessage() const;
    QListView* pageList() const { return pageList_; }
    PageManagementViewModel* operations() const { return operations_; }
    PageGridModel* pageModel() const { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The sheet stays while an operation runs: its result comes back here.
    void reject() override;
    void done(int result) override;

private:
    void fitColumns();
    // Where this sheet's file dialogs start: the open document's folder.
    QString documentFolder() const;
    // After pages were inserted or removed: the count, the page view and the grid follow.
    void setStatus(const QString& message);
    void updateEnabled();

    void showBusy();

    DocumentViewModel& documentVM_;
    PageManagementViewModel* operations_;
    PageGridModel* model_;
    QListView* pageList_;
    QPushButton* deleteButton_;
    QWidget* actions_;
    QPushButton* done_;
    QLabel* status_;
    QLabel* activity_;
    QProgressBar* progress_;
};
