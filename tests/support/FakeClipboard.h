#pragma once
// An in-memory clipboard for tests, installed for the life of a ScopedClipboard.
#include "desktop/Clipboard.h"

class FakeClipboard : public Clipboard {
public:
    QImage image() const override { return image_; }
    QString text() const override { return text_; }
    void setText(const QString& text) override {
        image_ = QImage();
        text_ = text;
    }
    void setImage(const QImage& image) override {
        text_.clear();
        image_ = image;
    }
    // Both at once, as some programs copy them.
    void setImageAndText(const QImage& image, const QString& text) {
        image_ = image;
        text_ = text;
    }

private:
    QImage image_;
    QString text_;
};

class ScopedClipboard {
public:
    ScopedClipboard()
        : clipboard_(std::make_shared<FakeClipboard>()), previous_(Clipboard::install(clipboard_)) {
    }
    ~ScopedClipboard() { Clipboard::install(previous_); }
    ScopedClipboard(const ScopedClipboard&) = delete;
    ScopedClipboard& operator=(const ScopedClipboard&) = delete;

    FakeClipboard* operator->() const { return clipboard_.get(); }
    FakeClipboard& operator*() const { return *clipboard_; }

private:
    std::shared_ptr<FakeClipboard> clipboard_;
    std::shared_ptr<Clipboard> previous_;
};
