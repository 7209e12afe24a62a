#include "pageview/PageFormFiller.h"

#include "pageview/PdfPageView.h"
#include "pdf/annotations/WidgetStyle.h"
#include "pdf/document/Page.h"
#include "utilities/FormFieldService.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FormValueEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>

namespace {

// Shows which check box or radio button has the keyboard; Space switches it.
class ButtonFocusFrame : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

bool fillable(const pdf::Annotation& annotation) {
    return annotation.isWidget() && FormFieldService::isFillable(annotation.widgetFieldType());
}

} // namespace

PageFormFiller::PageFormFiller(PdfPageView* view, DocumentViewModel* documentVM)
    : QObject(view), view_(view), viewport_(view->viewport()), documentVM_(documentVM) {
    viewport_->installEventFilter(this);
    // The editor rides with the page; a new document or a change to the pages closes it.
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PageFormFiller::place);
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &PageFormFiller::place);
    connect(view_, &PdfPageView::scaleChanged, this, &PageFormFiller::place);
    connect(view_, &PdfPageView::documentLayoutChanged, this, [this] {
        forget();
        cancel();
    });
    connect(view_, &PdfPageView::documentChanged, this, [this] {
        forget();
        cancel();
    });
    connect(view_, &PdfPageView::displayInvalidated, this, &PageFormFiller::forget);
}

void PageFormFiller::forget() {
    perPage_.clear();
}

const std::vector<PageFormFiller::Field>& PageFormFiller::fieldsOn(int pageIndex) const {
    auto found = perPage_.find(pageIndex);
    if (found != perPage_.end())
        return found->second;
    std::vector<Field>& fields = perPage_[pageIndex];
    const auto doc = view_->document();
    const auto page = doc ? doc->page(pageIndex) : nullptr;
    if (page)
        for (const pdf::AnnotationPtr& a : page->annotations())
            if (a && fillable(*a))
                fields.push_back({a, pageIndex, a->bounds()});
    return fields;
}

std::vector<PageFormFiller::Field> PageFormFiller::allFields() const {
    std::vector<Field> out;
    const auto doc = view_->document();
    if (!doc || doc->isLocked())
        return out;
    for (const FormField& f : FormFieldService::detectFormFields(*doc))
        if (f.annotation)
            out.push_back({f.annotation, f.pageIndex, f.annotation->bounds()});
    return out;
}

PageFormFiller::Field PageFormFiller::fieldAt(QPointF viewportPoint) const {
    const auto doc = view_->document();
    if (!doc || doc->isLocked())
        return {};
    QPointF point;
    const int index = view_->pageAtViewportPoint(viewportPoint, &point);
    if (index < 0)
        return {};
    for (const Field& f : fieldsOn(index))
        if (f.bounds.normalized().contains(point))
            return f;
    return {};
}

QRect PageFormFiller::viewportRect(const Field& field) const {
    const QPointF a = view_->viewportPointForPagePoint(field.pageIndex, field.bounds.topLeft());
    const QPointF b = view_->viewportPointForPagePoint(field.pageIndex, field.bounds.bottomRight());
    return QRectF(a, b).normalized().toAlignedRect();
}

bool PageFormFiller::activateAt(QPointF viewportPoint) {
    const Field field = fieldAt(viewportPoint);
    if (!field.annotation)
        return false;
    open(field, true);
    if (auto* line = qobject_cast<QLineEdit*>(editor_.data()))
        line->setCursorPosition(
            line->cursorPositionAt(line->mapFrom(view_->viewport(), viewportPoint.toPoint())));
    // A list shows its options where the field is: the click that opened it picks the one
    // under the pointer.
    if (auto* list = qobject_cast<QListWidget*>(editor_.data()))
        if (QListWidgetItem* item = list->itemAt(
                list->viewport()->mapFrom(view_->viewport(), viewportPoint.toPoint()))) {
            list->setCurrentItem(item);
            setValue(active_, item->text());
        }
    return true;
}

void PageFormFiller::open(const Field& field, bool toggleButton) {
    commit(); // the field being left keeps what was typed into it
    active_ = field;
    QWidget* viewport = view_->viewport();
    const QRect rect = viewportRect(field);
    const pdf::WidgetFieldType type = field.annotation->widgetFieldType();
    const pdf::WidgetStyle style = pdf::widgetStyle(*field.annotation);
    // The editor's text at the field's own size on screen: its points times the zoom.
    const double pixelsPerPoint = rect.height() / std::max(1.0, field.bounds.normalized().height());
    const auto textFont = [&](QFont font, double autoPixels) {
        const double pixels = style.fontSize > 0 ? style.fontSize * pixelsPerPoint : autoPixels;
        font.setPixelSize(std::max(8, int(pixels + 0.5)));
        return font;
    };
    const QString fieldLook = QStringLiteral("background: white; color: black; "
                                             "border: 1px solid palette(highlight);");
    if (type == pdf::WidgetFieldType::Text && style.multiline) {
        // Enter starts a new line here; Ctrl+Enter, Tab or a click elsewhere ends the editing.
        auto* text = new QPlainTextEdit(viewport);
        text->setObjectName(QStringLiteral("pageFormTextArea"));
        text->setFont(textFont(text->font(), 12 * pixelsPerPoint));
        text->setPlainText(field.annotation->widgetStringValue());
        text->setStyleSheet(QStringLiteral("QPlainTextEdit { %1 }").arg(fieldLook));
        text->moveCursor(QTextCursor::End);
        editor_ = text;
    } else if (type == pdf::WidgetFieldType::Text) {
        auto* line = new QLineEdit(viewport);
        line->setObjectName(QStringLiteral("pageFormText"));
        line->setFrame(false);
        line->setFont(textFont(line->font(), rect.height() * 0.6));
        line->setText(field.annotation->widgetStringValue());
        // Framed so it reads as a field being typed in, on the page's own white.
        line->setStyleSheet(QStringLiteral("QLineEdit { %1 }").arg(fieldLook));
        line->selectAll(); // Tab into a field selects it; a click puts the caret there
        connect(line, &QLineEdit::editingFinished, this, [this] {
            if (!closing_)
                commit();
        });
        editor_ = line;
    } else if (type == pdf::WidgetFieldType::Choice && !style.comboBox) {
        // A list box stays a list: its options in its own box, the chosen one marked, a
        // click picks.
        auto* list = new QListWidget(viewport);
        list->setObjectName(QStringLiteral("pageFormList"));
        list->setFont(textFont(list->font(), 12 * pixelsPerPoint));
        list->addItems(field.annotation->choiceOptions());
        const auto chosen =
            list->findItems(field.annotation->widgetStringValue(), Qt::MatchExactly);
        if (!chosen.isEmpty()) {
            list->setCurrentItem(chosen.first());
            list->scrollToItem(chosen.first());
        }
        list->setStyleSheet(QStringLiteral("QListWidget { %1 }").arg(fieldLook));
        connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            if (item && active_.annotation)
                setValue(active_, item->text());
        });
        connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            if (item && active_.annotation)
                setValue(active_, item->text());
        });
        editor_ = list;
    } else if (type == pdf::WidgetFieldType::Choice) {
        auto* combo = new QComboBox(viewport);
        combo->setFont(textFont(combo->font(), rect.height() * 0.6));
        combo->setObjectName(QStringLiteral("pageFormChoice"));
        const QStringList options = field.annotation->choiceOptions();
        combo->addItems(options);
        combo->setCurrentIndex(int(options.indexOf(field.annotation->widgetStringValue())));
        connect(combo, &QComboBox::activated, this, [this, combo](int index) {
            if (index >= 0 && active_.annotation)
                setValue(active_, combo->itemText(index));
        });
        editor_ = combo;
    } else {
        if (toggleButton)
            toggle(field);
        editor_ = new ButtonFocusFrame(viewport);
        editor_->setObjectName(QStringLiteral("pageFormButton"));
    }
    editor_->setFocusPolicy(Qt::StrongFocus);
    editor_->installEventFilter(this);
    editor_->setGeometry(rect);
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    if (auto* combo = qobject_cast<QComboBox*>(editor_.data()); combo && toggleButton)
        combo->showPopup();
}

void PageFormFiller::place() {
    if (editor_ && active_.annotation)
        editor_->setGeometry(viewportRect(active_));
}

void PageFormFiller::setValue(const Field& field, const QString& text) {
    if (!documentVM_ || !field.annotation || field.annotation->widgetStringValue() == text)
        return;
    documentVM_->perform(
        std::make_unique<FormValueEdit>(documentVM_->pdfDocument(), field.annotation, text));
}

void PageFormFiller::toggle(const Field& field) {
    if (!documentVM_ || !field.annotation)
        return;
    const bool on = field.annotation->buttonWidgetState();
    // A radio button that is on stays on: a group keeps one choice.
    if (on && field.annotation->isRadioButton())
        return;
    documentVM_->perform(
        std::make_unique<FormValueEdit>(documentVM_->pdfDocument(), field.annotation, !on));
}

void PageFormFiller::commit() {
    if (auto* line = qobject_cast<QLineEdit*>(editor_.data()); line && active_.annotation)
        setValue(active_, line->text());
    if (auto* text = qobject_cast<QPlainTextEdit*>(editor_.data()); text && active_.annotation)
        setValue(active_, text->toPlainText());
    closeEditor();
}

void PageFormFiller::cancel() {
    closeEditor();
}

void PageFormFiller::closeEditor() {
    if (!editor_)
        return;
    closing_ = true;
    QWidget* gone = editor_;
    editor_ = nullptr;
    active_ = {};
    const bool hadFocus = gone->hasFocus();
    gone->hide();
    gone->deleteLater();
    if (hadFocus)
        view_->setFocus(Qt::OtherFocusReason);
    closing_ = false;
}

void PageFormFiller::focusNext(bool backwards) {
    const std::vector<Field> fields = allFields();
    if (fields.empty())
        return;
    int at = -1;
    for (int i = 0; i < int(fields.size()); ++i)
        if (active_.annotation && fields[size_t(i)].annotation == active_.annotation)
            at = i;
    const int n = int(fields.size());
    const int next = at < 0 ? (backwards ? n - 1 : 0) : ((at + (backwards ? -1 : 1)) % n + n) % n;
    const Field& field = fields[size_t(next)];
    // A field off screen is brought into view first.
    if (!QRect(QPoint(0, 0), view_->viewport()->size()).contains(viewportRect(field)))
        view_->goToPageIndex(field.pageIndex);
    open(field, false);
}

bool PageFormFiller::eventFilter(QObject* watched, QEvent* event) {
    // Compared with the pointer kept at the start: the viewport still sends events while the
    // view is being torn down, when the view can no longer be asked for it.
    if (watched == viewport_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            if (event->type() == QEvent::MouseButtonDblClick) {
                if (fieldAt(mouse->position()).annotation) {
                    swallowing_ = true;
                    return true;
                }
                return false;
            }
            swallowing_ = activateAt(mouse->position());
            // A press beside the open editor ends it, keeping what was typed.
            if (!swallowing_ && editor_)
                commit();
            return swallowing_;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (swallowing_)
                return true;
            if (mouse->buttons() == Qt::NoButton) {
                const Field field = fieldAt(mouse->position());
                if (field.annotation) {
                    const bool text =
                        field.annotation->widgetFieldType() == pdf::WidgetFieldType::Text;
                    view_->viewport()->setCursor(text ? Qt::IBeamCursor : Qt::PointingHandCursor);
                    return true;
                }
            }
            return false;
        }
        case QEvent::MouseButtonRelease:
            if (swallowing_) {
                swallowing_ = false;
                return true;
            }
            return false;
        default:
            return false;
        }
    }
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
            focusNext(false);
            return true;
        case Qt::Key_Backtab:
            focusNext(true);
            return true;
        case Qt::Key_Escape:
            cancel();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (qobject_cast<QLineEdit*>(editor_.data()) ||
                (qobject_cast<QPlainTextEdit*>(editor_.data()) &&
                 key->modifiers().testFlag(Qt::ControlModifier))) {
                commit();
                return true;
            }
            return false; // a new line in a text area; a pick in a list
        case Qt::Key_Space:
            if (dynamic_cast<ButtonFocusFrame*>(editor_.data())) {
                toggle(active_);
                return true;
            }
            return false;
        default:
            return false;
        }
    }
    if (watched == editor_ && event->type() == QEvent::FocusOut) {
        // Clicking elsewhere keeps what was typed; a list's own popup takes focus briefly.
        auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() != Qt::PopupFocusReason && !closing_ &&
            qobject_cast<QLineEdit*>(editor_.data()) == nullptr)
            QMetaObject::invokeMethod(
                this,
                [this, gone = editor_] {
                    if (editor_ == gone && editor_ && !editor_->hasFocus() &&
                        !editor_->isAncestorOf(QApplication::focusWidget()))
                        commit(); // a text area keeps what was typed, as a line does
                },
                Qt::QueuedConnection);
    }
    return false;
}
