#include "pageview/AnnotationSelector.h"

#include "pageview/PdfPageView.h"
#include "pdf/annotations/AnnotationEdit.h"
#include "pdf/document/Page.h"
#include "viewmodels/AnnotationChangeEdit.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Appearance.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kHandleSize = 8;  // drawn, in logical pixels
constexpr double kHandleReach = 7; // how far from a handle's centre a press still takes it
constexpr double kPickSlop = 3;    // pixels around an annotation that still pick it
constexpr double kMinFrame = 4;    // a resize never collapses the frame below this
constexpr double kFrameGap = 3;    // between the annotation and its selection frame

// Tools that place something by a press: a press on an existing annotation picks it
// instead. The text markup tools and the pen work over annotations, so they never pick.
bool picksWith(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::highlight:
    case AnnotationTool::underline:
    case AnnotationTool::strikethrough:
    case AnnotationTool::freehand:
        return false;
    default:
        return true;
    }
}

Qt::CursorShape cursorForHandle(int handle) {
    switch (handle) {
    case 0:
    case 4:
        return Qt::SizeFDiagCursor;
    case 2:
    case 6:
        return Qt::SizeBDiagCursor;
    case 1:
    case 5:
        return Qt::SizeVerCursor;
    case 3:
    case 7:
        return Qt::SizeHorCursor;
    default:
        return Qt::CrossCursor;
    }
}

bool isTextMarkup(const QString& subtype) {
    return subtype == QLatin1String("Highlight") || subtype == QLatin1String("Underline") ||
           subtype == QLatin1String("StrikeOut") || subtype == QLatin1String("Squiggly");
}

bool coversPage(const pdf::Annotation& annotation) {
    const pdf::PagePtr page = annotation.page();
    const std::optional<pdf::AnnotationFacts> facts = pdf::annotationFacts(annotation);
    if (!page || !facts)
        return false;
    const QRectF box = page->mediaBox();
    const QRectF covered = facts->frame.normalized().intersected(box);
    return covered.width() * covered.height() >= 0.8 * box.width() * box.height();
}

struct ColorChoice {
    QString name;
    QColor color;
};

std::vector<ColorChoice> colorChoices(const QString& subtype) {
    const QString names[] = {AnnotationSelector::tr("Yellow"), AnnotationSelector::tr("Green"),
                             AnnotationSelector::tr("Blue"), AnnotationSelector::tr("Pink"),
                             AnnotationSelector::tr("Orange")};
    std::vector<ColorChoice> out;
    int i = 0;
    for (HighlightColor c : allHighlightColors()) {
        // Highlights keep their see-through tint, as the highlighter makes them.
        out.push_back({names[i++], subtype == QLatin1String("Highlight") ? annotationColor(c)
                                                                         : swatchColor(c)});
    }
    if (subtype != QLatin1String("Highlight")) {
        out.push_back({AnnotationSelector::tr("Red"), NamedColors::red()});
        out.push_back({AnnotationSelector::tr("Black"), QColor(Qt::black)});
    }
    return out;
}

} // namespace

AnnotationSelector::AnnotationSelector(PdfPageView& view) : QObject(&view), view_(view) {
    connect(&view_, &PdfPageView::documentChanged, this, &AnnotationSelector::clear);
    connect(&view_, &PdfPageView::displayInvalidated, this, &AnnotationSelector::validate);
    connect(&view_, &PdfPageView::documentLayoutChanged, this, &AnnotationSelector::validate);
}

void AnnotationSelector::setModels(DocumentViewModel* documentVM,
                                   AnnotationViewModel* annotationVM) {
    if (documentVM_)
        disconnect(documentVM_, nullptr, this, nullptr);
    documentVM_ = documentVM;
    annotationVM_ = annotationVM;
    nudgeGesture_ = 0;
    if (documentVM_)
        connect(documentVM_, &DocumentViewModel::editsChanged, this, [this] {
            if (!nudging_)
                nudgeGesture_ = 0;
        });
}

bool AnnotationSelector::enabled() const {
    const pdf::DocumentPtr doc = view_.document();
    return doc && !doc->isLocked() && documentVM_ && documentVM_->pdfDocument() == doc;
}

void AnnotationSelector::select(int page, const pdf::AnnotationPtr& annotation) {
    if (annotation == selected_ && page == page_)
        return;
    selected_ = annotation;
    page_ = annotation ? page : -1;
    drag_ = Drag::none;
    nudgeGesture_ = 0;
    view_.viewport()->update();
    emit selectionChanged();
}

void AnnotationSelector::clear() {
    select(-1, nullptr);
}

void AnnotationSelector::validate() {
    if (!selected_)
        return;
    const pdf::PagePtr page = selected_->page();
    // Removed, or its page went: nothing is left to hold on to.
    if (!enabled() || !selected_->isValid() || !page || page->index() < 0) {
        clear();
        return;
    }
    page_ = page->index();
    view_.viewport()->update();
}

QPointF AnnotationSelector::toPage(QPointF viewportPoint) const {
    const pdf::PagePtr page = view_.document() ? view_.document()->page(page_) : nullptr;
    const QRectF rect = view_.pageRectInViewport(page_);
    if (!page || rect.isNull())
        return {};
    return page->pageToDisplay().inverted().map((viewportPoint - rect.topLeft()) /
                                                view_.scaleFactor());
}

QPointF AnnotationSelector::toViewport(QPointF pagePoint) const {
    return view_.viewportPointForPagePoint(page_, pagePoint);
}

QRectF AnnotationSelector::viewportFrameOf(const QRectF& pageFrame) const {
    // Rotation is by quarter turns: opposite corners stay opposite.
    return QRectF(toViewport(pageFrame.topLeft()), toViewport(pageFrame.bottomRight()))
        .normalized();
}

QRectF AnnotationSelector::draggedFrame(QPointF pointer) const {
    const std::optional<pdf::AnnotationFacts> facts =
        selected_ ? pdf::annotationFacts(*selected_) : std::nullopt;
    if (!facts)
        return {};
    QRectF frame = viewportFrameOf(facts->frame);
    if (drag_ == Drag::none || !dragging_)
        return frame;
    const QPointF d = pointer - pressAt_;
    if (drag_ == Drag::move)
        return viewportFrameOf(facts->frame.translated(moveDelta(pointer)));
    if (drag_ == Drag::lineEnd && facts->lineEnds) {
        QPointF a = toViewport(facts->lineEnds->first), b = toViewport(facts->lineEnds->second);
        (handle_ == 8 ? a : b) += d;
        return QRectF(a, b).normalized();
    }
    if (handle_ == 0 || handle_ == 6 || handle_ == 7)
        frame.setLeft(std::min(frame.left() + d.x(), frame.right() - kMinFrame));
    if (handle_ == 2 || handle_ == 3 || handle_ == 4)
        frame.setRight(std::max(frame.right() + d.x(), frame.left() + kMinFrame));
    if (handle_ == 0 || handle_ == 1 || handle_ == 2)
        frame.setTop(std::min(frame.top() + d.y(), frame.bottom() - kMinFrame));
    if (handle_ == 4 || handle_ == 5 || handle_ == 6)
        frame.setBottom(std::max(frame.bottom() + d.y(), frame.top() + kMinFrame));
    return frame;
}

QPointF AnnotationSelector::moveDelta(QPointF pointer) const {
    return keptOnPage(toPage(pointer) - toPage(pressAt_));
}

QPointF AnnotationSelector::keptOnPage(QPointF delta) const {
    const std::optional<pdf::AnnotationFacts> facts =
        selected_ ? pdf::annotationFacts(*selected_) : std::nullopt;
    const pdf::PagePtr page = selected_ ? selected_->page() : nullptr;
    if (!facts || !page)
        return delta;
    // Kept on the page: dropped past its edge, an annotation could not be reached again.
    const QRectF box = page->mediaBox();
    const QRectF f = facts->frame.normalized();
    if (f.width() <= box.width())
        delta.setX(std::clamp(delta.x(), box.left() - f.left(), box.right() - f.right()));
    if (f.height() <= box.height())
        delta.setY(std::clamp(delta.y(), box.top() - f.top(), box.bottom() - f.bottom()));
    return delta;
}

QRectF AnnotationSelector::frame() const {
    return selected_ ? draggedFrame(pointer_) : QRectF();
}

std::vector<QPointF> AnnotationSelector::handles() const {
    std::vector<QPointF> out;
    if (!selected_)
        return out;
    // Just outside the annotation, so the frame does not hide its edges.
    const QRectF f = frame().adjusted(-kFrameGap, -kFrameGap, kFrameGap, kFrameGap);
    const QPointF c = f.center();
    out = {f.topLeft(),     QPointF(c.x(), f.top()),    f.topRight(),   QPointF(f.right(), c.y()),
           f.bottomRight(), QPointF(c.x(), f.bottom()), f.bottomLeft(), QPointF(f.left(), c.y())};
    const std::optional<pdf::AnnotationFacts> facts = pdf::annotationFacts(*selected_);
    if (facts && facts->lineEnds) {
        QPointF a = toViewport(facts->lineEnds->first), b = toViewport(facts->lineEnds->second);
        if (drag_ == Drag::lineEnd && dragging_)
            (handle_ == 8 ? a : b) += pointer_ - pressAt_;
        out.push_back(a);
        out.push_back(b);
    }
    return out;
}

int AnnotationSelector::handleAt(QPointF point) const {
    const std::vector<QPointF> all = handles();
    // Line ends first: on a short line they sit on top of the frame's corners.
    for (int i = int(all.size()) - 1; i >= 0; --i) {
        const QPointF d = all[size_t(i)] - point;
        if (std::abs(d.x()) <= kHandleReach && std::abs(d.y()) <= kHandleReach)
            return i;
    }
    return -1;
}

bool AnnotationSelector::hitsSelection(QPointF point) const {
    if (!selected_)
        return false;
    const pdf::PagePtr page = selected_->page();
    if (!page)
        return false;
    // Under other annotations too: the selection is what a press on it means.
    const std::vector<pdf::AnnotationPtr> hits =
        pdf::annotationsAt(*page, toPage(point), kPickSlop / view_.scaleFactor());
    return std::find(hits.begin(), hits.end(), selected_) != hits.end();
}

pdf::AnnotationPtr AnnotationSelector::pick(int index, QPointF point, bool forMenu) const {
    const pdf::PagePtr page = view_.document() ? view_.document()->page(index) : nullptr;
    if (!page)
        return nullptr;
    const std::vector<pdf::AnnotationPtr> hits =
        pdf::annotationsAt(*page, point, kPickSlop / view_.scaleFactor());
    // A watermark spans the page: a press would always pick it and take the text selection
    // away, and hide what lies under it. Only the context menu reaches it, when nothing
    // smaller is there.
    for (const pdf::AnnotationPtr& hit : hits)
        if (!coversPage(*hit))
            return hit;
    return forMenu && !hits.empty() ? hits.front() : nullptr;
}

bool AnnotationSelector::mousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return false;
    if (!enabled()) {
        clear();
        return false;
    }
    const QPointF at = event->position();
    drag_ = Drag::none;
    dragging_ = false;
    markupPress_ = false;
    nudgeGesture_ = 0;
    pressAt_ = pointer_ = at;
    if (event->button() == Qt::LeftButton && selected_) {
        if (const int h = handleAt(at); h >= 0) {
            drag_ = h >= 8 ? Drag::lineEnd : Drag::resize;
            handle_ = h;
            view_.setFocus(Qt::MouseFocusReason);
            return true;
        }
        if (hitsSelection(at)) {
            view_.setFocus(Qt::MouseFocusReason);
            if (isTextMarkup(selected_->subtype())) {
                markupPress_ = true;
                return false;
            }
            drag_ = Drag::move;
            return true;
        }
    }
    const AnnotationTool tool = annotationVM_ ? annotationVM_->currentTool() : AnnotationTool::none;
    QPointF point;
    const int index = view_.pageAtViewportPoint(at, &point);
    pdf::AnnotationPtr hit;
    if (index >= 0 && (picksWith(tool) || event->button() == Qt::RightButton))
        hit = pick(index, point, event->button() == Qt::RightButton);
    if (!hit) {
        clear();
        return false;
    }
    select(index, hit);
    view_.setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return true;
    // Text markup belongs to its words: a drag that starts on it selects the text below,
    // as it would without the markup, and a click only picks it.
    if (isTextMarkup(hit->subtype())) {
        markupPress_ = true;
        return false;
    }
    view_.clearSelection(); // the annotation is what is selected now, not text
    drag_ = Drag::move;     // a press picks and a drag right after it moves
    return true;
}

bool AnnotationSelector::mouseMove(QMouseEvent* event) {
    if (markupPress_ && (event->buttons() & Qt::LeftButton)) {
        if ((event->position() - pressAt_).manhattanLength() >=
            QApplication::styleHints()->startDragDistance()) {
            markupPress_ = false;
            clear(); // the text selection takes over
        }
        return false;
    }
    if (drag_ != Drag::none && (event->buttons() & Qt::LeftButton)) {
        pointer_ = event->position();
        if (!dragging_ && (pointer_ - pressAt_).manhattanLength() >=
                              QApplication::styleHints()->startDragDistance())
            dragging_ = true;
        view_.viewport()->update();
        return true;
    }
    if (event->buttons() != Qt::NoButton || !selected_ || !enabled())
        return false;
    // Hovering the selection shows what a press there would do.
    if (const int h = handleAt(event->position()); h >= 0) {
        view_.viewport()->setCursor(cursorForHandle(h));
        return true;
    }
    if (hitsSelection(event->position())) {
        view_.viewport()->setCursor(Qt::SizeAllCursor);
        return true;
    }
    return false;
}

bool AnnotationSelector::mouseRelease(QMouseEvent* event) {
    markupPress_ = false;
    if (drag_ == Drag::none || event->button() != Qt::LeftButton)
        return false;
    const Drag drag = drag_;
    const bool moved = dragging_;
    pointer_ = event->position();
    const QRectF to = draggedFrame(pointer_);
    const QPointF delta = moveDelta(pointer_);
    const std::vector<QPointF> ends = handles();
    drag_ = Drag::none;
    dragging_ = false;
    view_.viewport()->update();
    if (!moved || !selected_ || !enabled())
        return true;
    const pdf::DocumentPtr doc = view_.document();
    if (drag == Drag::move) {
        perform(ChangeAnnotationEdit::move(doc, selected_, delta));
    } else if (drag == Drag::resize) {
        const QRectF pageFrame =
            QRectF(toPage(to.topLeft()), toPage(to.bottomRight())).normalized();
        perform(ChangeAnnotationEdit::resize(doc, selected_, pageFrame));
    } else if (drag == Drag::lineEnd && ends.size() == 10) {
        // Read while the drag was on: the dragged end is already where the pointer left it.
        perform(ChangeAnnotationEdit::lineEnds(doc, selected_, toPage(ends[8]), toPage(ends[9])));
    }
    return true;
}

bool AnnotationSelector::keyPress(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (drag_ != Drag::none) {
            drag_ = Drag::none; // a drag in progress is dropped, nothing changes
            dragging_ = false;
            view_.viewport()->update();
            return true;
        }
        // One step at a time: first the selection goes, then the tool.
        if (selected_) {
            clear();
            return true;
        }
        if (annotationVM_ && annotationVM_->currentTool() != AnnotationTool::none) {
            annotationVM_->setCurrentTool(AnnotationTool::none);
            return true;
        }
        return false;
    }
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && selected_ &&
        event->modifiers() == Qt::NoModifier)
        return removeSelected();
    return nudge(event);
}

bool AnnotationSelector::nudge(QKeyEvent* event) {
    QPointF step;
    switch (event->key()) {
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    default:
        return false;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!selected_ || drag_ != Drag::none ||
        (mods != Qt::NoModifier && mods != Qt::ShiftModifier) || !enabled())
        return false;
    // Text markup belongs to its words, as it does for a drag.
    const pdf::PagePtr page = selected_->page();
    if (isTextMarkup(selected_->subtype()) || !page)
        return false;
    // The screen's direction on the page: turned pages turn the arrows with them.
    const QTransform toPageSpace = page->pageToDisplay().inverted();
    QPointF delta = toPageSpace.map(step) - toPageSpace.map(QPointF());
    delta = QPointF(std::round(delta.x()), std::round(delta.y())) *
            (mods == Qt::ShiftModifier ? 10 : 1);
    if (!nudgeGesture_) {
        static int lastGesture = 0;
        nudgeGesture_ = ++lastGesture;
    }
    auto edit = ChangeAnnotationEdit::move(view_.document(), selected_, keptOnPage(delta));
    edit->setGesture(nudgeGesture_);
    const QScopedValueRollback hold(nudging_, true);
    perform(std::move(edit));
    // Used even at the page's edge: the arrows would otherwise scroll or turn the page.
    return true;
}

bool AnnotationSelector::contextMenu(QContextMenuEvent* event) {
    if (!enabled())
        return false;
    const QPointF at = event->pos();
    if (!hitsSelection(at)) {
        QPointF point;
        const int index = view_.pageAtViewportPoint(at, &point);
        const pdf::AnnotationPtr hit = index >= 0 ? pick(index, point, true) : nullptr;
        if (!hit)
            return false;
        select(index, hit);
    }
    QMenu menu(&view_);
    fillMenu(menu);
    menu.exec(event->globalPos());
    return true;
}

void AnnotationSelector::fillMenu(QMenu& menu) {
    const std::optional<pdf::AnnotationFacts> facts =
        selected_ ? pdf::annotationFacts(*selected_) : std::nullopt;
    if (!facts)
        return;
    QAction* remove = menu.addAction(tr("Delete"), this, [this] { removeSelected(); });
    remove->setShortcut(QKeySequence::Delete);
    if (!pdf::takesColor(facts->subtype) && !pdf::takesLineWidth(facts->subtype) &&
        !pdf::takesFontSize(facts->subtype))
        return;
    menu.addSeparator();
    if (pdf::takesColor(facts->subtype)) {
        QMenu* colors = menu.addMenu(tr("Colour"));
        auto* group = new QActionGroup(colors);
        for (const ColorChoice& choice : colorChoices(facts->subtype)) {
            QPixmap swatch(12, 12);
            swatch.fill(QColor(choice.color.rgb()));
            QAction* action = colors->addAction(QIcon(swatch), choice.name, this,
                                                [this, c = choice.color] { recolorSelected(c); });
            action->setCheckable(true);
            action->setChecked(facts->color.isValid() && facts->color.rgb() == choice.color.rgb());
            group->addAction(action);
        }
    }
    if (pdf::takesLineWidth(facts->subtype)) {
        QMenu* widths = menu.addMenu(tr("Line Width"));
        for (double w : {0.5, 1.0, 2.0, 3.0, 5.0, 8.0}) {
            QAction* action =
                widths->addAction(tr("%1 pt").arg(w), this, [this, w] { setSelectedLineWidth(w); });
            action->setCheckable(true);
            action->setChecked(std::abs(facts->lineWidth - w) < 0.01);
        }
    }
    if (pdf::takesFontSize(facts->subtype)) {
        QMenu* sizes = menu.addMenu(tr("Font Size"));
        for (double s : {9.0, 10.0, 12.0, 14.0, 18.0, 24.0, 36.0}) {
            QAction* action =
                sizes->addAction(tr("%1 pt").arg(s), this, [this, s] { setSelectedFontSize(s); });
            action->setCheckable(true);
            action->setChecked(std::abs(facts->fontSize - s) < 0.01);
        }
    }
}

bool AnnotationSelector::perform(std::unique_ptr<DocumentEdit> edit) {
    return enabled() && documentVM_->perform(std::move(edit));
}

bool AnnotationSelector::removeSelected() {
    if (!selected_ || !enabled())
        return false;
    const pdf::AnnotationPtr annotation = selected_;
    clear();
    return perform(std::make_unique<RemoveAnnotationEdit>(view_.document(), annotation));
}

bool AnnotationSelector::recolorSelected(const QColor& color) {
    return selected_ && perform(ChangeAnnotationEdit::color(view_.document(), selected_, color));
}

bool AnnotationSelector::setSelectedLineWidth(double width) {
    return selected_ &&
           perform(ChangeAnnotationEdit::lineWidth(view_.document(), selected_, width));
}

bool AnnotationSelector::setSelectedFontSize(double size) {
    return selected_ && perform(ChangeAnnotationEdit::fontSize(view_.document(), selected_, size));
}

void AnnotationSelector::paint(QPainter& painter) const {
    if (!selected_ || view_.pageRectInViewport(page_).isNull())
        return;
    if (frame().isNull())
        return;
    const QRectF f = frame().adjusted(-kFrameGap, -kFrameGap, kFrameGap, kFrameGap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor accent = Appearance::accent();
    QPen pen(accent, 1.5);
    if (dragging_)
        pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(f);
    const std::vector<QPointF> all = handles();
    for (size_t i = 0; i < all.size(); ++i) {
        const QRectF box(all[i] - QPointF(kHandleSize / 2, kHandleSize / 2),
                         QSizeF(kHandleSize, kHandleSize));
        painter.setPen(QPen(accent, 1.5));
        painter.setBrush(Qt::white);
        // Line ends are round, so they read apart from the frame's corners.
        if (i >= 8)
            painter.drawEllipse(box);
        else
            painter.drawRect(box);
    }
    painter.restore();
}
