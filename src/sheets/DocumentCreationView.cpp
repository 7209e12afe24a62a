#include "sheets/DocumentCreationView.h"

#include "sheets/PageListWidget.h"
#include "viewmodels/DocumentCreationViewModel.h"
#include "widgets/SymbolIcon.h"

#include <QBuffer>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QFrame* divider(Qt::Orientation orientation = Qt::Horizontal) {
    auto* line = new QFrame;
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QLabel* headline(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* secondary(const QString& text, bool caption = false) {
    auto* label = new QLabel(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    if (caption) {
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        label->setFont(font);
    }
    return label;
}

QToolButton* borderlessButton(const QString& text, const QString& symbol) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setIcon(SymbolIcon::icon(symbol));
    button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly
                                              : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

QToolButton* trashButton(const QString& toolTip) {
    QToolButton* button = borderlessButton(QString(), "trash");
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    // Destructive: drawn in red.
    button->setIcon(SymbolIcon::icon("trash", QColor(0xd7, 0x26, 0x1e)));
    return button;
}

// The border the blocks' editors and previews share: secondary colour at 30 %.
QString blockBorderStyle(const QWidget* widget) {
    QColor color = widget->palette().color(QPalette::PlaceholderText);
    color.setAlphaF(0.3f);
    return QString("border: 1px solid rgba(%1, %2, %3, 0.3);")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue());
}

std::optional<double> parseLength(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

DocumentCreationView::DocumentCreationView(DocumentCreationViewModel& model, OnCreated onCreated,
                                           QWidget* parent)
    : QDialog(parent), model_(model), onCreated_(std::move(onCreated)) {
    setWindowTitle(tr("Create New Document"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(700, 500);
    resize(900, 640);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(divider());
    auto* split = new QSplitter(Qt::Horizontal);
    split->setChildrenCollapsible(false);
    split->addWidget(buildPageList());
    split->addWidget(buildEditor());
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 680});
    layout->addWidget(split, 1);
    layout->addWidget(divider());
    layout->addWidget(buildBottomBar());

    connect(&model_, &DocumentCreationViewModel::pagesChanged, this, &DocumentCreationView::redraw);
    connect(&model_, &DocumentCreationViewModel::selectedPageIndexChanged, this,
            &DocumentCreationView::redraw);
    connect(&model_, &DocumentCreationViewModel::documentTitleChanged, this, [this] {
        if (titleField_->text() != model_.documentTitle())
            titleField_->setText(model_.documentTitle());
    });
    redraw();
}

QWidget* DocumentCreationView::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    auto* title = new QLabel(tr("Create New Document"));
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.35);
    font.setWeight(QFont::DemiBold);
    title->setFont(font);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(secondary(tr("Title:")));
    titleField_ = new QLineEdit(model_.documentTitle());
    titleField_->setPlaceholderText(tr("Document title"));
    titleField_->setFixedWidth(200);
    connect(titleField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setDocumentTitle(text); });
    row->addWidget(titleField_);
    return header;
}

QWidget* DocumentCreationView::buildPageList() {
    auto* panel = new QWidget;
    panel->setMinimumWidth(180);
    panel->setMaximumWidth(250);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(8, 8, 8, 8);
    top->addWidget(headline(tr("Pages")));
    top->addStretch(1);
    pageCount_ = secondary(QString());
    top->addWidget(pageCount_);
    column->addLayout(top);

    pageList_ = new PageListWidget;
    pageList_->setFrameShape(QFrame::NoFrame);
    connect(pageList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            model_.setSelectedPageIndex(row);
    });
    connect(pageList_, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { model_.setSelectedPageIndex(pageList_->row(item)); });
    connect(
        pageList_, &PageListWidget::rowsMoveRequested, this,
        [this](const QList<int>& rows, int destination) { model_.movePages(rows, destination); });
    // Whatever the drag did to the rows, the list shows the model's pages afterwards.
    connect(pageList_, &PageListWidget::dragFinished, this, [this] { redrawPageList(); });
    connect(pageList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = pageList_->indexAt(pos);
        if (!index.isValid())
            return;
        QMenu* menu = pageContextMenu(index.row());
        menu->exec(pageList_->viewport()->mapToGlobal(pos));
        delete menu;
    });
    column->addWidget(pageList_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 8, 8, 8);
    QToolButton* addPage = borderlessButton(tr("Add Page"), "plus");
    addPage->setObjectName("addPageButton");
    connect(addPage, &QToolButton::clicked, this, [this] { model_.addPage(); });
    bottom->addWidget(addPage);
    bottom->addStretch(1);
    column->addLayout(bottom);
    return panel;
}

QWidget* DocumentCreationView::buildEditor() {
    editorStack_ = new QStackedWidget;
    editorStack_->setMinimumWidth(400);
    editorStack_->addWidget(new QWidget); // nothing selected

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_ = new QWidget;
    auto* stack = new QVBoxLayout(editor_);
    stack->setSpacing(16);

    // Page settings.
    auto* settings = new QVBoxLayout;
    settings->setSpacing(8);
    settings->addWidget(headline(tr("Page Settings")));
    auto* pickers = new QHBoxLayout;
    pickers->setSpacing(16);
    auto* sizeColumn = new QVBoxLayout;
    sizeColumn->addWidget(secondary(tr("Size"), true));
    sizePicker_ = new QComboBox;
    sizePicker_->setFixedWidth(120);
    for (PageSize size : allPageSizes())
        sizePicker_->addItem(displayName(size), QVariant::fromValue(size));
    connect(sizePicker_, &QComboBox::activated, this, [this](int i) {
        model_.setSelectedPageSize(sizePicker_->itemData(i).value<PageSize>());
    });
    sizeColumn->addWidget(sizePicker_);
    pickers->addLayout(sizeColumn);
    auto* templateColumn = new QVBoxLayout;
    templateColumn->addWidget(secondary(tr("Template"), true));
    templatePicker_ = new QComboBox;
    templatePicker_->setFixedWidth(140);
    for (PageTemplate t : allPageTemplates())
        templatePicker_->addItem(SymbolIcon::icon(icon(t)), displayName(t), QVariant::fromValue(t));
    connect(templatePicker_, &QComboBox::activated, this, [this](int i) {
        model_.setSelectedPageTemplate(templatePicker_->itemData(i).value<PageTemplate>());
    });
    templateColumn->addWidget(templatePicker_);
    pickers->addLayout(templateColumn);
    pickers->addStretch(1);
    settings->addLayout(pickers);

    customRow_ = new QWidget;
    auto* custom = new QHBoxLayout(customRow_);
    custom->setContentsMargins(0, 0, 0, 0);
    custom->setSpacing(16);
    auto lengthField = [this](const QString& label, const QString& placeholder, QLineEdit*& field,
                              auto setter) {
        auto* column = new QVBoxLayout;
        column->addWidget(secondary(label, true));
        field = new QLineEdit;
        field->setPlaceholderText(placeholder);
        field->setFixedWidth(80);
        auto* validator = new QDoubleValidator(0, 14400, 4, field);
        validator->setNotation(QDoubleValidator::StandardNotation);
        field->setValidator(validator);
        // The slot holds the model itself, not a `this` captured inside another lambda.
        connect(field, &QLineEdit::textEdited, this,
                [model = &model_, setter](const QString& text) {
                    (model->*setter)(parseLength(text));
                });
        column->addWidget(field);
        return column;
    };
    custom->addLayout(lengthField(tr("Width (pt)"), "612", widthField_,
                                  &DocumentCreationViewModel::setSelectedCustomWidth));
    custom->addLayout(lengthField(tr("Height (pt)"), "792", heightField_,
                                  &DocumentCreationViewModel::setSelectedCustomHeight));
    custom->addStretch(1);
    settings->addWidget(customRow_);
    stack->addLayout(settings);
    stack->addWidget(divider());

    // Text blocks.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    auto* textHeader = new QHBoxLayout;
    textHeader->addWidget(headline(tr("Text Blocks")));
    textHeader->addStretch(1);
    QToolButton* addText = borderlessButton(tr("Add Text"), "plus");
    addText->setObjectName("addTextButton");
    connect(addText, &QToolButton::clicked, this,
            [this] { model_.addTextBlock(tr("Enter text here..."), 14); });
    textHeader->addWidget(addText);
    texts->addLayout(textHeader);
    textRows_ = new QVBoxLayout;
    textRows_->setSpacing(8);
    texts->addLayout(textRows_);
    stack->addLayout(texts);
    stack->addWidget(divider());

    // Images.
    auto* images = new QVBoxLayout;
    images->setSpacing(8);
    auto* imageHeader = new QHBoxLayout;
    imageHeader->addWidget(headline(tr("Images")));
    imageHeader->addStretch(1);
    QToolButton* addImage = borderlessButton(tr("Add Image"), "photo.badge.plus");
    addImage->setObjectName("addImageButton");
    connect(addImage, &QToolButton::clicked, this, [this] { model_.addImageFromFile(); });
    imageHeader->addWidget(addImage);
    images->addLayout(imageHeader);
    imageRows_ = new QVBoxLayout;
    imageRows_->setSpacing(8);
    images->addLayout(imageRows_);
    stack->addLayout(images);
    stack->addStretch(1);

    scroll->setWidget(editor_);
    editorStack_->addWidget(scroll);
    return editorStack_;
}

QWidget* DocumentCreationView::buildBottomBar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    cancelButton_ = new QPushButton(tr("Cancel"));
    cancelButton_->setAutoDefault(false);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(cancelButton_);
    row->addStretch(1);
    saveButton_ = new QPushButton(tr("Save PDF..."));
    saveButton_->setAutoDefault(false);
    connect(saveButton_, &QPushButton::clicked, this, &DocumentCreationView::savePDF);
    row->addWidget(saveButton_);
    createButton_ =
        new QPushButton(tr("Create && Open")); // "&&": a literal ampersand, not a mnemonic
    createButton_->setDefault(true);
    createButton_->setAutoDefault(true);
    // Prominent: filled with the accent colour.
    QPalette prominent = createButton_->palette();
    prominent.setColor(QPalette::Button, prominent.color(QPalette::Highlight));
    prominent.setColor(QPalette::ButtonText, prominent.color(QPalette::HighlightedText));
    createButton_->setPalette(prominent);
    connect(createButton_, &QPushButton::clicked, this, &DocumentCreationView::createAndOpen);
    row->addWidget(createButton_);
    return bar;
}

QMenu* DocumentCreationView::pageContextMenu(int row) {
    auto* menu = new QMenu(this);
    QAction* remove = menu->addAction(tr("Delete"));
    remove->setEnabled(model_.pages().size() > 1);
    connect(remove, &QAction::triggered, this, [this, row] { model_.deletePage(row); });
    return menu;
}

QList<QPlainTextEdit*> DocumentCreationView::textEditors() const {
    QList<QPlainTextEdit*> editors;
    for (const QUuid& id : shownTextBlocks_)
        editors.append(textEditors_.value(id));
    return editors;
}

QList<QLabel*> DocumentCreationView::imagePreviews() const {
    return imagePreviews_;
}

void DocumentCreationView::redraw() {
    redrawPageList();
    redrawEditor();
}

void DocumentCreationView::redrawPageList() {
    const QList<PDFPageContent>& pages = model_.pages();
    const QSignalBlocker blocker(pageList_);
    while (pageList_->count() > pages.size())
        delete pageList_->takeItem(pageList_->count() - 1);
    for (int i = 0; i < pages.size(); ++i) {
        QListWidgetItem* item = pageList_->item(i);
        if (!item) {
            item = new QListWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
            pageList_->addItem(item);
        }
        const PDFPageContent& page = pages[i];
        item->setText(tr("Page %1").arg(i + 1));
        item->setData(PageListWidget::SubtitleRole,
                      displayName(page.pageSize) + " - " + displayName(page.pageTemplate));
        item->setIcon(SymbolIcon::icon(icon(page.pageTemplate)));
        item->setData(Qt::UserRole, page.id);
    }
    const int selected = model_.selectedPageIndex();
    if (selected >= 0 && selected < pages.size())
        pageList_->setCurrentRow(selected);
    else
        pageList_->clearSelection();
    pageCount_->setText(QString::number(pages.size()));
}

void DocumentCreationView::redrawEditor() {
    const PDFPageContent* page = model_.selectedPage();
    editorStack_->setCurrentIndex(page ? 1 : 0);
    if (!page) {
        shownPage_ = QUuid();
        return;
    }
    {
        const QSignalBlocker sizeBlocker(sizePicker_), templateBlocker(templatePicker_);
        sizePicker_->setCurrentIndex(int(allPageSizes().indexOf(page->pageSize)));
        templatePicker_->setCurrentIndex(int(allPageTemplates().indexOf(page->pageTemplate)));
    }
    customRow_->setVisible(page->pageSize == PageSize::custom);
    // Fields keep what the person typed while it means the same number.
    auto syncLength = [](QLineEdit* field, std::optional<double> value) {
        if (parseLength(field->text()) == value || (field->text().trimmed().isEmpty() && !value))
            return;
        field->setText(value ? QLocale().toString(*value) : QString());
    };
    syncLength(widthField_, page->customWidth);
    syncLength(heightField_, page->customHeight);

    QList<QUuid> textIds, imageIds;
    for (const TextBlock& b : page->textBlocks)
        textIds.append(b.id);
    for (const ImageBlock& b : page->imageBlocks)
        imageIds.append(b.id);
    const bool samePage = shownPage_ == page->id;
    shownPage_ = page->id;
    if (!samePage || textIds != shownTextBlocks_)
        rebuildTextBlocks();
    else
        for (const TextBlock& b : page->textBlocks) {
            QPlainTextEdit* editor = textEditors_.value(b.id);
            if (editor && editor->toPlainText() != b.text) {
                const QSignalBlocker blocker(editor);
                editor->setPlainText(b.text);
            }
        }
    if (!samePage || imageIds != shownImageBlocks_)
        rebuildImageBlocks();
}

namespace {
void clearLayout(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget())
            widget->deleteLater();
        else if (QLayout* child = item->layout())
            clearLayout(child);
        delete item;
    }
}
} // namespace

void DocumentCreationView::rebuildTextBlocks() {
    clearLayout(textRows_);
    textEditors_.clear();
    shownTextBlocks_.clear();
    const PDFPageContent* page = model_.selectedPage();
    if (!page)
        return;
    for (const TextBlock& block : page->textBlocks) {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* editor = new QPlainTextEdit(block.text);
        editor->setFixedHeight(60);
        editor->setTabChangesFocus(true);
        editor->setStyleSheet("QPlainTextEdit { " + blockBorderStyle(editor) + " }");
        const QUuid id = block.id;
        connect(editor, &QPlainTextEdit::textChanged, this,
                [this, editor, id] { model_.updateTextBlock(id, editor->toPlainText()); });
        layout->addWidget(editor, 1);
        QToolButton* remove = trashButton(tr("Remove text block"));
        connect(remove, &QToolButton::clicked, this, [this, id] { model_.removeTextBlock(id); });
        layout->addWidget(remove, 0, Qt::AlignTop);
        textRows_->addWidget(row);
        textEditors_.insert(id, editor);
        shownTextBlocks_.append(id);
    }
}

void DocumentCreationView::rebuildImageBlocks() {
    clearLayout(imageRows_);
    imagePreviews_.clear();
    shownImageBlocks_.clear();
    const PDFPageContent* page = model_.selectedPage();
    if (!page)
        return;
    for (const ImageBlock& block : page->imageBlocks) {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        QByteArray data = block.imageData;
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (!image.isNull()) {
            auto* preview = new QLabel;
            const qreal ratio = devicePixelRatioF();
            QPixmap pixmap = QPixmap::fromImage(
                image.scaledToHeight(qMax(1, qRound(60 * ratio)), Qt::SmoothTransformation));
            pixmap.setDevicePixelRatio(ratio);
            preview->setPixmap(pixmap);
            preview->setStyleSheet("QLabel { " + blockBorderStyle(preview) + " }");
            preview->setFixedSize(pixmap.deviceIndependentSize().toSize() + QSize(2, 2));
            layout->addWidget(preview);
            imagePreviews_.append(preview);
        }
        layout->addStretch(1);
        const QUuid id = block.id;
        QToolButton* remove = trashButton(tr("Remove image"));
        connect(remove, &QToolButton::clicked, this, [this, id] { model_.removeImageBlock(id); });
        layout->addWidget(remove);
        imageRows_->addWidget(row);
        shownImageBlocks_.append(id);
    }
}

void DocumentCreationView::createAndOpen() {
    const pdf::DocumentPtr document = model_.generatePDF();
    if (!document)
        return;
    if (onCreated_)
        onCreated_(document, model_.documentTitle());
    accept();
}

void DocumentCreationView::savePDF() {
    QString error;
    const std::optional<QString> path = model_.savePDF(&error);
    if (!path) {
        // A failed write is said plainly; the sheet stays open so nothing is lost.
        if (!error.isEmpty()) {
            auto* box = new QMessageBox(QMessageBox::Warning, tr("Save PDF"), QString(),
                                        QMessageBox::Ok, this);
            box->setTextFormat(
                Qt::PlainText); // the message names a file, which may look like markup
            box->setText(error);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::WindowModal);
            box->open();
        }
        return;
    }
    if (const pdf::DocumentPtr reopened = pdf::Document::open(*path); reopened && onCreated_)
        onCreated_(reopened, model_.documentTitle());
    accept();
}
