#pragma once
// The sheet in which a new document is composed page by page. It keeps no state of its
// own: every edit goes straight into the shared model, so closing the sheet keeps the
// composition, and the sheet redraws from the model's change signals.
#include "pdf/document/Document.h"

#include <QDialog>
#include <QHash>
#include <QUuid>

#include <functional>

class DocumentCreationViewModel;
class PageListWidget;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;

class DocumentCreationView : public QDialog {
    Q_OBJECT
public:
    // Receives the finished document and its title ("Create & Open", "Save PDF...").
    using OnCreated = std::function<void(const pdf::DocumentPtr& document, const QString& title)>;

    DocumentCreationView(DocumentCreationViewModel& model, OnCreated onCreated,
                         QWidget* parent = nullptr);

    // The context menu of a page row (the caller owns it).
    QMenu* pageContextMenu(int row);

    // Widgets the tests drive, by their role.
    QLineEdit* titleField() const { return titleField_; }
    PageListWidget* pageList() const { return pageList_; }
    QLabel* pageCountLabel() const { return pageCount_; }
    QComboBox* sizePicker() const { return sizePicker_; }
    QComboBox* templatePicker() const { return templatePicker_; }
    QLineEdit* widthField() const { return widthField_; }
    QLineEdit* heightField() const { return heightField_; }
    QWidget* customSizeRow() const { return customRow_; }
    QWidget* editorPanel() const { return editor_; }
    QList<QPlainTextEdit*> textEditors() const;
    QList<QLabel*> imagePreviews() const;
    QPushButton* createButton() const { return createButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void createAndOpen();
    void savePDF();

private:
    QWidget* buildHeader();
    QWidget* buildPageList();
    QWidget* buildEditor();
    QWidget* buildBottomBar();

    void redraw();
    void redrawPageList();
    void redrawEditor();
    void rebuildTextBlocks();
    void rebuildImageBlocks();

    DocumentCreationViewModel& model_;
    OnCreated onCreated_;

    QLineEdit* titleField_ = nullptr;
    PageListWidget* pageList_ = nullptr;
    QLabel* pageCount_ = nullptr;
    QStackedWidget* editorStack_ = nullptr;
    QWidget* editor_ = nullptr;
    QComboBox* sizePicker_ = nullptr;
    QComboBox* templatePicker_ = nullptr;
    QWidget* customRow_ = nullptr;
    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QVBoxLayout* textRows_ = nullptr;
    QVBoxLayout* imageRows_ = nullptr;
    QHash<QUuid, QPlainTextEdit*> textEditors_;
    QList<QLabel*> imagePreviews_;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* createButton_ = nullptr;

    // What the block sections were last built for; they are rebuilt only when it changes,
    // so typing into a text block never replaces the editor under the cursor.
    QUuid shownPage_;
    QList<QUuid> shownTextBlocks_;
    QList<QUuid> shownImageBlocks_;
};
