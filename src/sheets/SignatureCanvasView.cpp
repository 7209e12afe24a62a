#include "sheets/SignatureCanvasView.h"

#include <QVBoxLayout>

SignatureCanvasView::SignatureCanvasView(Binding signatureImage, QWidget* parent)
    : QWidget(parent), signatureImage_(std::move(signatureImage)),
      canvas_(new SignatureCanvasNSView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas_);
    canvas_->onSignatureChanged = [this](const std::optional<QImage>& image) {
        // Queued on this adapter: dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, image] {
                if (signatureImage_)
                    signatureImage_(image);
            },
            Qt::QueuedConnection);
    };
}

SignatureCanvasView::~SignatureCanvasView() {
    canvas_->onSignatureChanged = nullptr;
}
