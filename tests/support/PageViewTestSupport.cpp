#include "PageViewTestSupport.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"

#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

namespace fixtures {

pdf::DocumentPtr openBytes(const QByteArray& bytes) {
    auto doc = pdf::Document::fromData(bytes);
    EXPECT_TRUE(doc) << "fixture document did not open";
    return doc;
}

bool waitUntilSharp(PdfPageView& view) {
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        view.viewport()->grab(); // paints even before the window is exposed
        if (view.lastPaintWasSharp())
            return true;
        QTest::qWait(5);
    }
    return false;
}

bool waitUntilIdle(PdfThumbnailView& view) {
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        view.viewport()->grab();
        if (!view.isRendering())
            return true;
        QTest::qWait(5);
    }
    return false;
}

QImage grabViewport(PdfPageView& view) {
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

namespace {
void send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
} // namespace

void dragInViewport(PdfPageView& view, QPointF from, QPointF to) {
    QWidget* vp = view.viewport();
    send(vp, QEvent::MouseButtonPress, from, Qt::LeftButton);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i)
        send(vp, QEvent::MouseMove, from + (to - from) * (double(i) / steps), Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

void doubleClickInViewport(PdfPageView& view, QPointF at) {
    QWidget* vp = view.viewport();
    send(vp, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
    send(vp, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void tripleClickInViewport(PdfPageView& view, QPointF at) {
    doubleClickInViewport(view, at);
    send(view.viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(view.viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void clickInViewport(QWidget* viewport, QPointF at) {
    send(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(viewport, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

} // namespace fixtures
