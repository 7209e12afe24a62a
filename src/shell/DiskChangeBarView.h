#pragma once
// The bar over the page view that says the open file was changed by another program, with
// Reload. Hidden while the file is as it was read.
#include <QFrame>

class DiskWatch;
class DocumentViewModel;
class QLabel;
class QPushButton;

class DiskChangeBarView : public QFrame {
    Q_OBJECT
public:
    explicit DiskChangeBarView(DocumentViewModel* documentVM, QWidget* parent = nullptr);

    DiskWatch* watch() const { return watch_; }
    QString text() const;
    QPushButton* reloadButton() const { return reload_; }

private:
    void update();

    DiskWatch* watch_;
    QLabel* label_ = nullptr;
    QPushButton* reload_ = nullptr;
};
