#pragma once
// The window's annotation tool and style choices, and the highlight operation that turns
// a text selection into one highlight annotation per selected line.
#include "models/AnnotationStyle.h"
#include "pdf/text/Selection.h"
#include "viewmodels/PageViewInterface.h"

#include <QColor>
#include <QObject>
#include <QPointer>

#include <optional>

class DocumentViewModel;

class AnnotationViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        AnnotationTool currentTool READ currentTool WRITE setCurrentTool NOTIFY currentToolChanged)
    Q_PROPERTY(HighlightColor highlightColor READ highlightColor WRITE setHighlightColor NOTIFY
                   highlightColorChanged)
    Q_PROPERTY(
        double textFontSize READ textFontSize WRITE setTextFontSize NOTIFY textFontSizeChanged)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor NOTIFY textColorChanged)
    Q_PROPERTY(
        QColor freehandColor READ freehandColor WRITE setFreehandColor NOTIFY freehandColorChanged)
    Q_PROPERTY(double freehandLineWidth READ freehandLineWidth WRITE setFreehandLineWidth NOTIFY
                   freehandLineWidthChanged)
    Q_PROPERTY(QColor shapeColor READ shapeColor WRITE setShapeColor NOTIFY shapeColorChanged)
    Q_PROPERTY(QColor shapeFillColor READ shapeFillColor WRITE setShapeFillColor NOTIFY
                   shapeFillColorChanged)
    Q_PROPERTY(double shapeLineWidth READ shapeLineWidth WRITE setShapeLineWidth NOTIFY
                   shapeLineWidthChanged)

public:
    explicit AnnotationViewModel(QObject* parent = nullptr);

    AnnotationTool currentTool() const { return currentTool_; }
    HighlightColor highlightColor() const { return highlightColor_; }
    double textFontSize() const { return textFontSize_; }
    QColor textColor() const { return textColor_; }
    QColor freehandColor() const { return freehandColor_; }
    double freehandLineWidth() const { return freehandLineWidth_; }
    QColor shapeColor() const { return shapeColor_; }
    // The interior of rectangles and ovals; fully transparent means no fill.
    QColor shapeFillColor() const { return shapeFillColor_; }
    double shapeLineWidth() const { return shapeLineWidth_; }

    void setCurrentTool(AnnotationTool tool);
    void setHighlightColor(HighlightColor color);
    void setTextFontSize(double size);
    void setTextColor(const QColor& color);
    void setFreehandColor(const QColor& color);
    void setFreehandLineWidth(double width);
    void setShapeColor(const QColor& color);
    void setShapeFillColor(const QColor& color);
    void setShapeLineWidth(double width);

    // Held weakly, like DocumentViewModel's.
    void setPdfView(QObject* owner, PageViewInterface* view);
    PageViewInterface* pdfView() const;

    // One highlight per selected line, on that line's page, in the current colour at
    // alpha 0.3, as one edit performed through `documentVM` (undone together). No
    // selection, or one without lines, adds nothing.
    void addHighlight(const std::optional<pdf::Selection>& selection,
                      DocumentViewModel& documentVM);

signals:
    void currentToolChanged();
    void highlightColorChanged();
    void textFontSizeChanged();
    void textColorChanged();
    void freehandColorChanged();
    void freehandLineWidthChanged();
    void shapeColorChanged();
    void shapeFillColorChanged();
    void shapeLineWidthChanged();
    // After addHighlight added at least one annotation, so views can repaint.
    void highlightsAdded();

private:
    AnnotationTool currentTool_ = AnnotationTool::none;
    HighlightColor highlightColor_ = HighlightColor::yellow;
    double textFontSize_ = 14.0;
    QColor textColor_ = QColor(Qt::black);
    QColor freehandColor_ = NamedColors::red();
    double freehandLineWidth_ = 2.0;
    QColor shapeColor_ = NamedColors::systemBlue();
    QColor shapeFillColor_ = QColor(Qt::transparent);
    double shapeLineWidth_ = 2.0;

    QPointer<QObject> pdfViewOwner_;
    PageViewInterface* pdfView_ = nullptr;
};
