#pragma once
// Presentation: the document one page at a time on a black full-screen window. Next page
// by click, wheel down, Right/Down, Space, Page Down, Enter or N; previous by right click,
// wheel up, Left/Up, Backspace, Page Up or P; Home and End; B or "." blanks the screen and
// back (a presenter's clicker sends Page Up/Down and B). Escape ends it. The page shown and
// its neighbours are rendered ahead at the screen's resolution, so turning is instant.
#include "pdf/document/Document.h"

#include "base/Task.h"

#include <QImage>
#include <QWidget>

#include <map>

class PresentationView : public QWidget {
    Q_OBJECT
public:
    explicit PresentationView(pdf::DocumentPtr document, int startPage, QWidget* parent = nullptr);
    ~PresentationView() override;

    int currentPage() const { return page_; }
    bool isBlanked() const { return blank_; }
    // The page's image at hand (rendered ahead), or null.
    QImage imageOf(int page) const;
    void goToPage(int page);
    // Blocks until the pages asked for are rendered (tests).
    void waitForImages();

signals:
    // Escape, or the window closed: the reader takes over again.
    void finished(int lastPage);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void prepare();
    QSize pixelArea() const;

    pdf::DocumentPtr document_;
    int page_ = 0;
    bool blank_ = false;
    bool done_ = false;
    std::map<int, QImage> images_; // by page, fitted to pixelArea()
    QSize imagesFor_;
    int wheelRest_ = 0;
    base::Task task_;
};
