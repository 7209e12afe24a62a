#pragma once
#include "desktop/Clipboard.h"

// The desktop's clipboard through QGuiApplication. Main thread only.
class SystemClipboard final : public Clipboard {
public:
    QImage image() const override;
    QString text() const override;
    void setText(const QString& text) override;
    void setImage(const QImage& image) override;
};
