#pragma once
// The pad a signature is written on with the mouse: strokes as poly-lines (2 points wide,
// round caps and joins) over a white pad with a dashed guide line 70% of the way down.
// After every finished stroke it reports an image of all strokes on a clear background.
#include <QImage>
#include <QPolygonF>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class SignatureCanvasNSView : public QWidget {
    Q_OBJECT
public:
    using Callback = std::function<void(const std::optional<QImage>&)>;

    explicit SignatureCanvasNSView(QWidget* parent = nullptr);

    const std::vector<QPolygonF>& paths() const { return paths_; }
    const std::optional<QPolygonF>& currentPath() const { return currentPath_; }

    // Told after each finished stroke; set by the adapter.
    Callback onSignatureChanged;

    // The finished strokes, as drawn, on a transparent image the size of the canvas
    // (in points; the pixels follow the screen's device pixel ratio). None without strokes.
    std::optional<QImage> exportAsImage() const;

    // Wipes every stroke (the sheet's "Clear"); reports nothing.
    void clear();

    static constexpr double lineWidth = 2.0;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPolygonF> paths_;
    std::optional<QPolygonF> currentPath_;
};
