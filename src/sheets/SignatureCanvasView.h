#pragma once
// Embeds the signature pad in a sheet and hands each image it delivers to a binding one
// turn of the event loop later, so the pad finishes its event before the model reacts.
#include "sheets/SignatureCanvasNSView.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class SignatureCanvasView : public QWidget {
    Q_OBJECT
public:
    using Binding = std::function<void(const std::optional<QImage>&)>;

    explicit SignatureCanvasView(Binding signatureImage, QWidget* parent = nullptr);
    ~SignatureCanvasView() override;

    SignatureCanvasNSView* canvas() const { return canvas_; }

private:
    Binding signatureImage_;
    SignatureCanvasNSView* canvas_;
};
