#pragma once
// What an empty window shows: an invitation to open a PDF with a button or by dropping a
// file, and a dashed outline while an acceptable drag hovers.
#include <QWidget>

class DocumentViewModel;
class QMimeData;
class QPushButton;

class WelcomeView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeView(DocumentViewModel* viewModel, QWidget* parent = nullptr);

    bool isTargeted() const { return isTargeted_; }
    QPushButton* openButton() const { return openButton_; }
    // One button per recent file (newest first), filled each time the screen is shown.
    QList<QPushButton*> recentButtons() const;
    void refreshRecentFiles();

    // Whether a drag of this content is accepted at all: PDF data or file URLs.
    static bool accepts(const QMimeData* mime);
    // Takes the first dropped item only. Returns whether the drop is taken; a taken drop
    // whose item is not a PDF file is ignored without a word. Loading happens on a later
    // turn of the main loop.
    bool handleDrop(const QMimeData* mime);

signals:
    void isTargetedChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setTargeted(bool on);

    DocumentViewModel* viewModel_;
    QPushButton* openButton_;
    QWidget* recent_;
    bool isTargeted_ = false;
};
