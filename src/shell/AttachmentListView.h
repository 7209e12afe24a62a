#pragma once
// The sidebar's Attachments segment: the files embedded in the document with their size,
// description and, for an annotation's, the page. Open (a double click, Enter) hands a
// private copy to the desktop's application; Save As writes it where the person chooses.
#include <QWidget>

class AttachmentsViewModel;
class DocumentViewModel;
class QListWidget;
class QPushButton;

class AttachmentListView : public QWidget {
    Q_OBJECT
public:
    AttachmentListView(DocumentViewModel& documentVM, QWidget* parent = nullptr);

    AttachmentsViewModel* model() const { return model_; }
    QListWidget* list() const { return list_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* saveButton() const { return save_; }
    bool hasAttachments() const;

signals:
    void attachmentsChanged();

private:
    void rebuild();

    DocumentViewModel& documentVM_;
    AttachmentsViewModel* model_;
    QListWidget* list_;
    QPushButton* open_;
    QPushButton* save_;
};
