#pragma once
// Renders page previews on a worker thread so paging through two documents never holds
// up the window. Only the newest request reports back; older ones are dropped when done.
#include "pdf/document/Page.h"

#include <QImage>
#include <QObject>
#include <QSize>

class PagePreviewRenderer : public QObject {
    Q_OBJECT
public:
    explicit PagePreviewRenderer(QObject* parent = nullptr) : QObject(parent) {}

    // The page fitted into `pixels` (aspect kept). A null page reports a null image at once.
    void request(const pdf::PagePtr& page, QSize pixels);
    // Forgets the pending request: nothing more is reported for it.
    void cancel() { ++generation_; }

signals:
    void rendered(const QImage& image);

private:
    quint64 generation_ = 0;
};
