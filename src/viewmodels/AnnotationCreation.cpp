#include "viewmodels/AnnotationCreation.h"

#include "pdf/annotations/AnnotationCreate.h"
#include "pdf/document/Page.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/AnnotationLocation.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>

#include <cmath>

namespace AnnotationCreation {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AnnotationCreation", text);
}

// Text colour and shape fill are read by property name, so the settings can live with
// the other style settings whichever part of the window offers them.
QColor colorSetting(const AnnotationViewModel& settings, const char* name, const QColor& fallback) {
    const QVariant value = settings.property(name);
    return value.canConvert<QColor>() && value.value<QColor>().isValid() ? value.value<QColor>()
                                                                         : fallback;
}

bool performOnPage(DocumentViewModel& documentVM, const QString& name, int pageIndex,
                   std::function<pdf::AnnotationPtr(pdf::Page&)> make) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    if (!document || !document->page(pageIndex))
        return false;
    // A redo makes the same annotation again on the same page.
    auto maker = [pageIndex, make = std::move(make)](pdf::Document& doc) {
        std::vector<pdf::AnnotationPtr> made;
        if (const pdf::PagePtr page = doc.page(pageIndex))
            if (pdf::AnnotationPtr annotation = make(*page))
                made.push_back(std::move(annotation));
        return made;
    };
    return documentVM.perform(
        std::make_unique<AddAnnotationsEdit>(name, document, std::move(maker)));
}

// New text for an annotation, and back again.
class ChangeContentsEdit : public DocumentEdit {
public:
    ChangeContentsEdit(pdf::DocumentPtr document, AnnotationLocation at, QString before,
                       QString after)
        : DocumentEdit(QString()), document_(std::move(document)), at_(at),
          before_(std::move(before)), after_(std::move(after)) {
        const pdf::AnnotationPtr annotation = at_.resolve(*document_);
        textBox_ = annotation && annotation->subtype() == QLatin1String("FreeText");
        setText(textBox_ ? tr("Edit Text") : tr("Edit Note"));
    }
    Kind kind() const override { return Kind::annotations; }
    bool apply() override { return set(after_); }
    void undo() override { set(before_); }

private:
    bool set(const QString& text) {
        const pdf::AnnotationPtr annotation = at_.resolve(*document_);
        if (!annotation)
            return false;
        // A text box shows its text: it is drawn again with the new one.
        if (textBox_)
            return pdf::setTextBoxText(*annotation, text);
        if (pdf::setNoteText(*annotation, text))
            return true;
        annotation->setContents(text);
        return annotation->contents() == text;
    }

    pdf::DocumentPtr document_;
    AnnotationLocation at_;
    QString before_;
    QString after_;
    bool textBox_ = false;
};

} // namespace

ToolStyle styleFor(AnnotationTool tool, const AnnotationViewModel& settings) {
    ToolStyle style;
    switch (tool) {
    case AnnotationTool::freehand:
        style.color = settings.freehandColor();
        style.lineWidth = settings.freehandLineWidth();
        break;
    case AnnotationTool::text:
        style.color = colorSetting(settings, "textColor", Qt::black);
        style.fontSize = settings.textFontSize();
        break;
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
    case AnnotationTool::line:
    case AnnotationTool::arrow:
        style.color = settings.shapeColor();
        style.lineWidth = settings.shapeLineWidth();
        if (tool == AnnotationTool::rectangle || tool == AnnotationTool::oval)
            style.fill = colorSetting(settings, "shapeFillColor", QColor());
        break;
    default:
        // Markup and notes take the colour of the highlighter's swatches, opaque.
        style.color = swatchColor(settings.highlightColor());
        break;
    }
    return style;
}

bool addMarkup(AnnotationTool tool, const AnnotationViewModel& settings,
               const std::optional<pdf::Selection>& selection, DocumentViewModel& documentVM) {
    if (!selection || !documentVM.pdfDocument() ||
        (tool != AnnotationTool::underline && tool != AnnotationTool::strikethrough))
        return false;
    const pdf::MarkupKind kind =
        tool == AnnotationTool::underline ? pdf::MarkupKind::Underline : pdf::MarkupKind::StrikeOut;
    const QColor color = styleFor(tool, settings).color;
    auto make = [lines = selection->selectionsByLine(), kind, color](pdf::Document& document) {
        std::vector<pdf::AnnotationPtr> made;
        for (const pdf::Selection& line : lines) {
            const std::vector<pdf::PagePtr> pages = line.pages();
            if (pages.empty() || pages.front()->document().get() != &document)
                continue;
            const QRectF bounds = line.boundsForPage(pages.front());
            if (!bounds.isEmpty())
                made.push_back(pdf::addTextMarkup(*pages.front(), kind, bounds, color));
        }
        return made;
    };
    return documentVM.perform(std::make_unique<AddAnnotationsEdit>(
        tool == AnnotationTool::underline ? tr("Add Underline") : tr("Add Strikethrough"),
        documentVM.pdfDocument(), std::move(make)));
}

bool addNote(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
             QPointF at, const QString& text) {
    const QColor color = styleFor(AnnotationTool::note, settings).color;
    return performOnPage(documentVM, tr("Add Note"), pageIndex,
                         [=](pdf::Page& page) { return pdf::addNote(page, at, text, color); });
}

bool addInk(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
            const std::vector<std::vector<QPointF>>& strokes) {
    const ToolStyle style = styleFor(AnnotationTool::freehand, settings);
    std::vector<std::vector<QPointF>> smooth;
    for (const auto& stroke : strokes)
        if (stroke.size() >= 2)
            smooth.push_back(smoothStroke(stroke));
    if (smooth.empty())
        return false;
    return performOnPage(documentVM, tr("Add Drawing"), pageIndex, [=](pdf::Page& page) {
        return pdf::addInk(page, smooth, style.color, style.lineWidth);
    });
}

bool addTextBox(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
                const QRectF& rect, const QString& text) {
    if (text.trimmed().isEmpty())
        return false;
    const ToolStyle style = styleFor(AnnotationTool::text, settings);
    return performOnPage(documentVM, tr("Add Text"), pageIndex, [=](pdf::Page& page) {
        return pdf::addTextBox(page, rect, text, style.fontSize, style.color);
    });
}

bool addShape(AnnotationTool tool, const AnnotationViewModel& settings,
              DocumentViewModel& documentVM, int pageIndex, QPointF from, QPointF to) {
    const ToolStyle style = styleFor(tool, settings);
    const QRectF box = QRectF(from, to).normalized();
    switch (tool) {
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
        return performOnPage(
            documentVM, tool == AnnotationTool::rectangle ? tr("Add Rectangle") : tr("Add Oval"),
            pageIndex, [=](pdf::Page& page) {
                return pdf::addShape(page,
                                     tool == AnnotationTool::rectangle ? pdf::ShapeKind::Rectangle
                                                                       : pdf::ShapeKind::Ellipse,
                                     box, style.color, style.fill, style.lineWidth);
            });
    case AnnotationTool::line:
    case AnnotationTool::arrow:
        return performOnPage(documentVM,
                             tool == AnnotationTool::arrow ? tr("Add Arrow") : tr("Add Line"),
                             pageIndex, [=](pdf::Page& page) {
                                 return pdf::addLine(page, from, to, style.color, style.lineWidth,
                                                     tool == AnnotationTool::arrow);
                             });
    default:
        return false;
    }
}

bool changeContents(DocumentViewModel& documentVM, const pdf::AnnotationPtr& annotation,
                    const QString& text) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    const AnnotationLocation at = AnnotationLocation::of(annotation);
    if (!document || at.page < 0 || annotation->contents() == text)
        return false;
    return documentVM.perform(
        std::make_unique<ChangeContentsEdit>(document, at, annotation->contents(), text));
}

std::vector<QPointF> smoothStroke(const std::vector<QPointF>& points) {
    if (points.size() < 3)
        return points;
    // A short weighted average takes out the hand's tremor; one pass of corner cutting
    // then rounds the corners the mouse's steps leave. The ends stay where they were.
    constexpr double kWeights[] = {1, 2, 3, 2, 1};
    std::vector<QPointF> averaged(points.size());
    averaged.front() = points.front();
    averaged.back() = points.back();
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        QPointF sum;
        double total = 0;
        for (int k = -2; k <= 2; ++k) {
            const long j = long(i) + k;
            if (j < 0 || j >= long(points.size()))
                continue;
            sum += points[size_t(j)] * kWeights[k + 2];
            total += kWeights[k + 2];
        }
        averaged[i] = sum / total;
    }
    std::vector<QPointF> smooth;
    smooth.reserve(averaged.size() * 2);
    smooth.push_back(averaged.front());
    for (size_t i = 0; i + 1 < averaged.size(); ++i) {
        const QPointF a = averaged[i], b = averaged[i + 1];
        smooth.push_back(a * 0.75 + b * 0.25);
        smooth.push_back(a * 0.25 + b * 0.75);
    }
    smooth.push_back(averaged.back());
    return smooth;
}

} // namespace AnnotationCreation
