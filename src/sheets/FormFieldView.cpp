#include "sheets/FormFieldView.h"

#include "viewmodels/FormFieldViewModel.h"
#include "widgets/SheetStyle.h"
#include "widgets/SymbolIcon.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using SheetStyle::Role;

FormFieldView::FormFieldView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), model_(new FormFieldViewModel(documentVM, this)) {
    setWindowTitle(tr("Form Fields"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(500, 400);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    header->addWidget(SheetStyle::label(tr("Form Fields"), Role::title2, QFont::DemiBold));
    header->addStretch(1);
    countLabel_ = new QLabel;
    countLabel_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    SheetStyle::setTextColor(countLabel_, SheetStyle::secondary());
    header->addWidget(countLabel_);
    header->addSpacing(8);
    auto* done = new QPushButton(tr("Done"));
    header->addWidget(done);
    layout->addLayout(header);
    layout->addWidget(SheetStyle::divider());

    content_ = new QStackedWidget;
    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(12);
    emptyLayout->addStretch(1);
    auto* icon = new QLabel;
    icon->setPixmap(SymbolIcon::pixmap("list.bullet.rectangle", 48, SheetStyle::secondary(),
                                       devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(icon);
    auto* emptyTitle = SheetStyle::label(tr("No form fields detected"), Role::title3, QFont::Normal,
                                         SheetStyle::secondary());
    emptyTitle->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyTitle);
    auto* emptyNote = SheetStyle::label(tr("This PDF doesn't contain interactive form fields"),
                                        Role::callout, QFont::Normal, SheetStyle::tertiary());
    emptyNote->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyNote);
    emptyLayout->addStretch(1);
    content_->addWidget(empty);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* list = new QWidget;
    listLayout_ = new QVBoxLayout(list);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(0);
    listLayout_->addStretch(1);
    scroll->setWidget(list);
    content_->addWidget(scroll);
    layout->addWidget(content_, 1);

    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(model_, &FormFieldViewModel::formFieldsChanged, this, &FormFieldView::rebuildRows);
    connect(model_, &FormFieldViewModel::buttonStatesChanged, this, &FormFieldView::refreshToggles);
    // Made fresh for every showing, so detection here is detection when shown.
    model_->detectFormFields();
    rebuildRows();
}

bool FormFieldView::showsEmptyState() const {
    return content_->currentIndex() == 0;
}

FormFieldView::Row FormFieldView::makeRow(int index) {
    const FormField& field = model_->formFields()[size_t(index)];
    Row row;
    row.widget = new QWidget;
    auto* layout = new QHBoxLayout(row.widget);
    layout->setContentsMargins(16, 8, 16, 8);

    auto* info = new QVBoxLayout;
    info->setSpacing(2);
    row.name = SheetStyle::label(field.displayName(), Role::callout, QFont::Medium);
    info->addWidget(row.name);
    row.location = SheetStyle::label(field.locationLine(), Role::caption, QFont::Normal,
                                     SheetStyle::secondary());
    info->addWidget(row.location);
    layout->addLayout(info);
    layout->addStretch(1);

    const QString type = field.fieldType();
    if (type == QLatin1String("Text")) {
        row.textField = new QLineEdit(field.value);
        row.textField->setPlaceholderText(tr("Enter value"));
        row.textField->setFixedWidth(200);
        // textEdited: every keystroke by the person, never the text put in at display.
        connect(row.textField, &QLineEdit::textEdited, model_,
                [this, index](const QString& text) { model_->setValue(index, text); });
        layout->addWidget(row.textField);
    } else if (type == QLatin1String("Button")) {
        row.toggle = new QCheckBox;
        row.toggle->setChecked(model_->buttonState(index));
        connect(row.toggle, &QCheckBox::clicked, model_,
                [this, index](bool on) { model_->setButtonState(index, on); });
        layout->addWidget(row.toggle);
    } else {
        row.choiceValue = new QLabel(field.value);
        row.choiceValue->setTextFormat(
            Qt::PlainText); // names and messages may come from a document
        SheetStyle::setTextColor(row.choiceValue, SheetStyle::secondary());
        layout->addWidget(row.choiceValue);
    }

    row.goButton = new QToolButton;
    row.goButton->setAutoRaise(true);
    row.goButton->setIcon(SymbolIcon::icon("arrow.right.circle"));
    row.goButton->setToolTip(tr("Go to field"));
    connect(row.goButton, &QToolButton::clicked, model_,
            [this, index] { model_->goToField(index); });
    layout->addWidget(row.goButton);
    return row;
}

void FormFieldView::rebuildRows() {
    for (Row& row : rows_)
        delete row.widget;
    rows_.clear();
    // Dividers between rows go with the rows.
    while (listLayout_->count() > 1) {
        QLayoutItem* item = listLayout_->takeAt(0); // ours to delete, with its widget
        delete item->widget();
        delete item;
    }

    const int count = int(model_->formFields().size());
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            listLayout_->insertWidget(listLayout_->count() - 1, SheetStyle::divider());
        rows_.push_back(makeRow(i));
        listLayout_->insertWidget(listLayout_->count() - 1, rows_.back().widget);
    }
    countLabel_->setText(model_->headerText());
    content_->setCurrentIndex(count == 0 ? 0 : 1);
}

void FormFieldView::refreshToggles() {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].toggle)
            continue;
        const QSignalBlocker quiet(rows_[i].toggle);
        rows_[i].toggle->setChecked(model_->buttonState(int(i)));
    }
}
