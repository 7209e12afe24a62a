#pragma once
// The seam to the desktop clipboard: an image or plain text. The system clipboard is
// the default; tests install their own.
#include <QImage>
#include <QString>

#include <memory>

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Null image when the clipboard holds no image.
    virtual QImage image() const = 0;
    // Empty when the clipboard holds no plain text.
    virtual QString text() const = 0;
    // Replaces the clipboard's contents.
    virtual void setText(const QString& text) = 0;
    virtual void setImage(const QImage& image) = 0;

    // QGuiApplication's clipboard unless another one was installed.
    static std::shared_ptr<Clipboard> current();
    // Replaces the clipboard in use (nullptr: back to the system one); returns the previous.
    static std::shared_ptr<Clipboard> install(std::shared_ptr<Clipboard> clipboard);
};
