#include "pageview/AnnotationToolGestures.h"

#include "pageview/PdfPageView.h"
#include "pdf/annotations/AnnotationCreate.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "viewmodels/AnnotationCreation.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/RedactionMarks.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolTip>

namespace {

// A stroke's points closer than this (in points) add nothing but weight.
constexpr double kMinStrokeStep = 0.75;
// Below this drag (in pixels) a press is a click.
constexpr double kClickSlop = 4;
// A text box placed by a click: this wide (points), one line tall.
constexpr double kDefaultTextBoxWidth = 200;
constexpr int kStrokeGroupMs = 800;

bool placesByDragging(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::note:
    case AnnotationTool::freehand:
    case AnnotationTool::text:
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
    case AnnotationTool::line:
    case AnnotationTool::arrow:
    case AnnotationTool::signature:
    case AnnotationTool::redact:
        return true;
    default:
        return false;
    }
}

} // namespace

void PdfPageView::setAnnotationTools(AnnotationViewModel* settings, DocumentViewModel* documentVM) {
    delete gestures_;
    gestures_ = settings && documentVM ? new AnnotationToolGestures(*this, *settings, *documentVM)
                                       : nullptr;
}

AnnotationToolGestures::AnnotationToolGestures(PdfPageView& view, AnnotationViewModel& settings,
                                               DocumentViewModel& documentVM)
    : QObject(&view), view_(view), settings_(settings), documentVM_(documentVM) {
    inkTimer_.setSingleShot(true);
    inkTimer_.setInterval(kStrokeGroupMs);
    connect(&inkTimer_, &QTimer::timeout, this, &AnnotationToolGestures::finishInk);
    connect(&settings_, &AnnotationViewModel::currentToolChanged, this,
            &AnnotationToolGestures::toolChanged);
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this,
            &AnnotationToolGestures::followPages);
    connect(view_.horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &AnnotationToolGestures::followPages);
    connect(&view_, &PdfPageView::scaleChanged, this, &AnnotationToolGestures::followPages);
    // Strokes and an open editor belong to the document they were made on.
    connect(&view_, &PdfPageView::documentChanged, this, [this] {
        pendingStrokes_.clear();
        stroke_.clear();
        pressed_.reset();
        closeEditor(false);
    });
}

void AnnotationToolGestures::followPages() {
    if (editor_ && editorPage_ >= 0)
        editor_->move(toViewport(editorPage_, editorAnchor_).toPoint());
}

AnnotationToolGestures::~AnnotationToolGestures() {
    if (editor_)
        editor_->removeEventFilter(this);
}

AnnotationTool AnnotationToolGestures::tool() const {
    return settings_.currentTool();
}

std::optional<AnnotationToolGestures::Press> AnnotationToolGestures::locate(QPointF viewportPoint,
                                                                            int onlyPage) const {
    Press p;
    p.viewportPoint = viewportPoint;
    if (onlyPage < 0) {
        p.page = view_.pageAtViewportPoint(viewportPoint, &p.pagePoint, false);
        if (p.page < 0)
            return std::nullopt;
        return p;
    }
    // Kept on the page the gesture began on, even past its edge.
    const pdf::DocumentPtr document = view_.document();
    const pdf::PagePtr page = document ? document->page(onlyPage) : nullptr;
    const QRectF rect = view_.pageRectInViewport(onlyPage);
    if (!page || rect.isNull())
        return std::nullopt;
    p.page = onlyPage;
    p.pagePoint = page->pageToDisplay().inverted().map((viewportPoint - rect.topLeft()) /
                                                       view_.scaleFactor());
    return p;
}

QPointF AnnotationToolGestures::toViewport(int page, QPointF pagePoint) const {
    return view_.viewportPointForPagePoint(page, pagePoint);
}

pdf::AnnotationPtr AnnotationToolGestures::annotationAt(QPointF viewportPoint,
                                                        const QString& subtype) const {
    QPointF point;
    const int index = view_.pageAtViewportPoint(viewportPoint, &point, false);
    const pdf::DocumentPtr document = view_.document();
    const pdf::PagePtr page = index >= 0 && document ? document->page(index) : nullptr;
    if (!page)
        return nullptr;
    const auto all = page->annotations();
    // The topmost (last drawn) first.
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if ((*it)->subtype() == subtype && (*it)->bounds().contains(point))
            return *it;
    return nullptr;
}

bool AnnotationToolGestures::onText(const Press& at) const {
    const pdf::DocumentPtr document = view_.document();
    const pdf::PagePtr page = document ? document->page(at.page) : nullptr;
    const auto text = page ? page->textPage() : nullptr;
    if (!text)
        return false;
    const int nearest = text->charNearest(at.pagePoint);
    if (nearest < 0)
        return false;
    // The line's box, so a press between words still starts a selection.
    const QRectF line = text->lines()[size_t(text->chars()[size_t(nearest)].line)].box;
    return line.normalized().adjusted(-1, -1, 1, 1).contains(at.pagePoint);
}

pdf::AnnotationPtr AnnotationToolGestures::noteAt(QPointF viewportPoint) const {
    return annotationAt(viewportPoint, QStringLiteral("Text"));
}

pdf::AnnotationPtr AnnotationToolGestures::textBoxAt(QPointF viewportPoint) const {
    // Watermarks and signature lines are free text too, but not boxes to type in.
    pdf::AnnotationPtr box = annotationAt(viewportPoint, QStringLiteral("FreeText"));
    return box && pdf::isTextBox(*box) ? box : nullptr;
}

bool AnnotationToolGestures::press(QMouseEvent* event) {
    selectingText_ = false;
    if (event->button() != Qt::LeftButton)
        return false;
    if (editor_) {
        // A click beside the editor ends the editing, and only that.
        closeEditor(true);
        return true;
    }
    const AnnotationTool current = tool();
    if (!placesByDragging(current)) {
        // With the select tool, a click on a note shows what it says.
        if (current == AnnotationTool::none)
            if (const pdf::AnnotationPtr note = noteAt(event->position()))
                QToolTip::showText(event->globalPosition().toPoint(), note->contents(),
                                   view_.viewport());
        return false;
    }
    view_.setFocus(Qt::MouseFocusReason);
    const std::optional<Press> at = locate(event->position());
    if (!at)
        return true;
    // The redact tool marks text by selecting it, and an area by dragging beside text, or
    // anywhere with Ctrl held (a scan's recognised text covers the whole page).
    selectingText_ = current == AnnotationTool::redact &&
                     !(event->modifiers() & Qt::ControlModifier) && onText(*at);
    if (selectingText_)
        return false;
    if (current == AnnotationTool::freehand) {
        // A stroke on another page starts a group of its own.
        if (inkPage_ != at->page)
            finishInk();
        inkTimer_.stop();
        inkPage_ = at->page;
        stroke_ = {at->pagePoint};
    }
    pressed_ = at;
    dragPoint_ = event->position();
    view_.viewport()->update();
    return true;
}

bool AnnotationToolGestures::move(QMouseEvent* event) {
    if (!pressed_) {
        if (!placesByDragging(tool()))
            return false;
        if (tool() == AnnotationTool::redact) {
            // A text selection under way is the view's; over text the pointer says so.
            if (event->buttons() != Qt::NoButton)
                return false;
            const std::optional<Press> at = locate(event->position());
            view_.viewport()->setCursor(at && onText(*at) ? Qt::IBeamCursor : Qt::CrossCursor);
            return true;
        }
        view_.viewport()->setCursor(Qt::CrossCursor);
        return true;
    }
    dragPoint_ = event->position();
    if (tool() == AnnotationTool::freehand && !stroke_.empty())
        if (const std::optional<Press> at = locate(event->position(), pressed_->page))
            if (QLineF(stroke_.back(), at->pagePoint).length() >= kMinStrokeStep)
                stroke_.push_back(at->pagePoint);
    view_.viewport()->update();
    return true;
}

bool AnnotationToolGestures::release(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return false;
    const AnnotationTool current = tool();
    if (current == AnnotationTool::underline || current == AnnotationTool::strikethrough) {
        // The selection just made is marked at once; the view finishes its own release.
        if (const auto selection = view_.currentSelection())
            if (AnnotationCreation::addMarkup(current, settings_, selection, documentVM_))
                view_.clearSelection();
        return false;
    }
    if (current == AnnotationTool::redact && selectingText_) {
        selectingText_ = false;
        if (const auto selection = view_.currentSelection())
            if (RedactionMarks::markSelection(documentVM_, *selection))
                view_.clearSelection();
        return false;
    }
    if (!pressed_)
        return false;
    const Press start = *pressed_;
    pressed_.reset();
    if (const std::optional<Press> end = locate(event->position(), start.page))
        finishDrag(start, *end);
    view_.viewport()->update();
    return true;
}

void AnnotationToolGestures::finishDrag(const Press& start, const Press& end) {
    const bool click = QLineF(start.viewportPoint, end.viewportPoint).length() < kClickSlop;
    const double scale = view_.scaleFactor();
    const int page = start.page;
    switch (tool()) {
    case AnnotationTool::freehand:
        if (stroke_.empty() || QLineF(stroke_.back(), end.pagePoint).length() >= kMinStrokeStep)
            stroke_.push_back(end.pagePoint);
        if (stroke_.size() >= 2)
            pendingStrokes_.push_back(std::move(stroke_));
        stroke_.clear();
        if (!pendingStrokes_.empty())
            inkTimer_.start();
        break;
    case AnnotationTool::note: {
        const QPointF at = start.pagePoint;
        openEditor(QRectF(start.viewportPoint, QSizeF(220, 110)), 13, QString(),
                   [this, page, at](const QString& text) {
                       if (!text.trimmed().isEmpty())
                           AnnotationCreation::addNote(settings_, documentVM_, page, at, text);
                   });
        break;
    }
    case AnnotationTool::text: {
        const double fontSize = settings_.textFontSize();
        QRectF shown = QRectF(start.viewportPoint, end.viewportPoint).normalized();
        if (click || shown.width() < kClickSlop * 4)
            shown =
                QRectF(start.viewportPoint, QSizeF(kDefaultTextBoxWidth * scale, shown.height()));
        shown.setHeight(std::max(shown.height(), (fontSize * 1.2 + 6) * scale));
        const std::optional<Press> a = locate(shown.topLeft(), page);
        const std::optional<Press> b = locate(shown.bottomRight(), page);
        if (!a || !b)
            break;
        const QRectF box = QRectF(a->pagePoint, b->pagePoint).normalized();
        openEditor(shown, fontSize * scale, QString(), [this, page, box](const QString& text) {
            AnnotationCreation::addTextBox(settings_, documentVM_, page, box, text);
        });
        break;
    }
    case AnnotationTool::rectangle:
    case AnnotationTool::oval:
    case AnnotationTool::line:
    case AnnotationTool::arrow:
        if (!click)
            AnnotationCreation::addShape(tool(), settings_, documentVM_, page, start.pagePoint,
                                         end.pagePoint);
        break;
    case AnnotationTool::redact:
        if (!click)
            RedactionMarks::markArea(documentVM_, page,
                                     QRectF(start.pagePoint, end.pagePoint).normalized());
        break;
    case AnnotationTool::signature:
        if (placeSignature_)
            placeSignature_(page, click ? QRectF(start.pagePoint, QSizeF())
                                        : QRectF(start.pagePoint, end.pagePoint).normalized());
        break;
    default:
        break;
    }
}

bool AnnotationToolGestures::doubleClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return false;
    if (editor_)
        closeEditor(true);
    if (const pdf::AnnotationPtr note = noteAt(event->position())) {
        openEditor(QRectF(event->position(), QSizeF(220, 110)), 13, note->contents(),
                   [this, note](const QString& text) {
                       AnnotationCreation::changeContents(documentVM_, note, text);
                   });
        return true;
    }
    // A text box is edited where it is, at its own size.
    if (const pdf::AnnotationPtr box = textBoxAt(event->position())) {
        const int page = view_.pageAtViewportPoint(event->position(), nullptr, false);
        const QRectF b = box->bounds();
        const QRectF shown =
            QRectF(toViewport(page, b.topLeft()), toViewport(page, b.bottomRight()))
                .normalized()
                .adjusted(0, 0, 0, box->fontSize() * view_.scaleFactor());
        openEditor(shown, box->fontSize() * view_.scaleFactor(), box->contents(),
                   [this, box](const QString& text) {
                       if (!text.trimmed().isEmpty())
                           AnnotationCreation::changeContents(documentVM_, box, text);
                   });
        return true;
    }
    // A drawing tool's second click is another press, not a word to select.
    return placesByDragging(tool()) ? press(event) : false;
}

bool AnnotationToolGestures::keyPress(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || tool() == AnnotationTool::none)
        return false;
    // Escape goes back to the select tool; strokes already drawn are kept.
    settings_.setCurrentTool(AnnotationTool::none);
    return true;
}

bool AnnotationToolGestures::showToolTip(QPoint viewportPoint, QPoint globalPoint) {
    const pdf::AnnotationPtr note = noteAt(viewportPoint);
    if (!note)
        return false;
    QToolTip::showText(globalPoint, note->contents(), view_.viewport());
    return true;
}

void AnnotationToolGestures::toolChanged() {
    finishInk();
    if (editor_)
        closeEditor(true);
    pressed_.reset();
    stroke_.clear();
    if (placesByDragging(tool())) {
        view_.viewport()->setCursor(Qt::CrossCursor);
        // The pages take the keys, so Escape puts the tool down at once.
        if (view_.isVisible())
            view_.setFocus(Qt::OtherFocusReason);
    } else {
        view_.viewport()->unsetCursor();
    }
    view_.viewport()->update();
}

void AnnotationToolGestures::finishInk() {
    inkTimer_.stop();
    if (pendingStrokes_.empty())
        return;
    const std::vector<std::vector<QPointF>> strokes = std::move(pendingStrokes_);
    pendingStrokes_.clear();
    AnnotationCreation::addInk(settings_, documentVM_, inkPage_, strokes);
    view_.viewport()->update();
}

void AnnotationToolGestures::openEditor(const QRectF& viewportRect, double fontPixels,
                                        const QString& text,
                                        std::function<void(const QString&)> commit) {
    auto* editor = new QPlainTextEdit(view_.viewport());
    editor->setObjectName(QStringLiteral("annotationEditor"));
    QFont font = editor->font();
    font.setPixelSize(std::max(8, int(std::lround(fontPixels))));
    editor->setFont(font);
    editor->setPlainText(text);
    editor->setGeometry(viewportRect.toAlignedRect());
    editor->setToolTip(tr("Ctrl+Return to finish, Escape to cancel"));
    editor->installEventFilter(this);
    editor_ = editor;
    editorPage_ = view_.pageAtViewportPoint(viewportRect.topLeft(), &editorAnchor_, true);
    commitEditor_ = std::move(commit);
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
}

void AnnotationToolGestures::closeEditor(bool keep) {
    QPlainTextEdit* editor = editor_;
    if (!editor)
        return;
    editor_ = nullptr;
    editor->removeEventFilter(this);
    const QString text = editor->toPlainText();
    auto commit = std::move(commitEditor_);
    commitEditor_ = nullptr;
    editor->hide();
    editor->deleteLater();
    view_.setFocus(Qt::OtherFocusReason);
    if (keep && commit)
        commit(text);
}

bool AnnotationToolGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            closeEditor(false);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ControlModifier)) {
            closeEditor(true);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Leaving the editor (another window aside) keeps what was typed.
        auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() != Qt::ActiveWindowFocusReason &&
            focus->reason() != Qt::PopupFocusReason)
            closeEditor(true);
    }
    return QObject::eventFilter(watched, event);
}

void AnnotationToolGestures::paint(QPainter& painter) const {
    const double scale = view_.scaleFactor();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    auto polyline = [&](const std::vector<QPointF>& points) {
        QPainterPath path;
        for (size_t i = 0; i < points.size(); ++i) {
            const QPointF p = toViewport(inkPage_, points[i]);
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.drawPath(path);
    };
    if (inkPage_ >= 0 && (!pendingStrokes_.empty() || !stroke_.empty())) {
        const auto style = AnnotationCreation::styleFor(AnnotationTool::freehand, settings_);
        painter.setPen(QPen(style.color, std::max(1.0, style.lineWidth * scale), Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        for (const auto& stroke : pendingStrokes_)
            polyline(stroke);
        polyline(stroke_);
    }
    if (pressed_ && tool() != AnnotationTool::freehand) {
        const AnnotationTool current = tool();
        const auto style = AnnotationCreation::styleFor(current, settings_);
        const QRectF box = QRectF(pressed_->viewportPoint, dragPoint_).normalized();
        QPen pen(style.color, std::max(1.0, style.lineWidth * scale));
        painter.setBrush(style.fill.isValid() ? style.fill : QColor(Qt::transparent));
        switch (current) {
        case AnnotationTool::rectangle:
            painter.setPen(pen);
            painter.drawRect(box);
            break;
        case AnnotationTool::oval:
            painter.setPen(pen);
            painter.drawEllipse(box);
            break;
        case AnnotationTool::line:
        case AnnotationTool::arrow:
            painter.setPen(pen);
            painter.drawLine(pressed_->viewportPoint, dragPoint_);
            break;
        case AnnotationTool::redact:
            // The outline the mark will have.
            painter.setPen(QPen(QColor(217, 26, 26), 1.5));
            painter.setBrush(QColor(217, 26, 26, 40));
            painter.drawRect(box);
            break;
        default:
            painter.setPen(QPen(view_.palette().color(QPalette::Highlight), 1, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box);
            break;
        }
    }
    painter.restore();
}
