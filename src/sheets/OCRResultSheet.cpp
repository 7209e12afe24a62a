#include "sheets/OCRResultSheet.h"

#include "desktop/Clipboard.h"
#include "utilities/OCRService.h"
#include "viewmodels/OCRViewModel.h"
#include "widgets/ActivityIndicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QColor secondaryColor(const QWidget* widget) {
    return widget->palette().color(QPalette::PlaceholderText);
}

QFont scaledFont(const QWidget* widget, double factor, QFont::Weight weight = QFont::Normal) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

} // namespace

OCRResultSheet::OCRResultSheet(OCRViewModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(tr("OCR Results"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(500, 400);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("OCR Results"));
    title->setFont(scaledFont(this, 17.0 / 13.0, QFont::DemiBold));
    header->addWidget(title);
    header->addStretch(1);
    spinner_ = new ActivityIndicator;
    header->addWidget(spinner_);
    progressLabel_ = new QLabel;
    progressLabel_->setTextFormat(Qt::PlainText); // names and messages may come from a document
    progressLabel_->setFont(scaledFont(this, 10.0 / 13.0));
    QPalette secondary = progressLabel_->palette();
    secondary.setColor(QPalette::WindowText, secondaryColor(this));
    progressLabel_->setPalette(secondary);
    header->addWidget(progressLabel_);
    cancelButton_ = new QPushButton(tr("Cancel"));
    cancelButton_->setAutoDefault(false);
    header->addWidget(cancelButton_);
    layout->addLayout(header);

    auto* languageRow = new QHBoxLayout;
    auto* languageLabel = new QLabel(tr("Languages:"));
    languageRow->addWidget(languageLabel, 0, Qt::AlignTop);
    languageList_ = new QListWidget;
    languageList_->setFlow(QListView::LeftToRight);
    languageList_->setWrapping(true);
    languageList_->setSpacing(2);
    languageList_->setFixedHeight(2 * fontMetrics().height() + 16);
    languageList_->setToolTip(tr("The text is read with every checked language. More "
                                 "languages can be installed as packages, for example "
                                 "tesseract-ocr-deu for German."));
    languageRow->addWidget(languageList_, 1);
    layout->addLayout(languageRow);

    content_ = new QStackedWidget;

    auto* textPage = new QWidget;
    auto* textLayout = new QVBoxLayout(textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(12);
    textView_ = new QPlainTextEdit;
    textView_->setReadOnly(true);
    textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    textView_->setStyleSheet(QString("QPlainTextEdit { background: %1; border-radius: 8px; "
                                     "padding: 8px; }")
                                 .arg(palette().color(QPalette::AlternateBase).name()));
    textLayout->addWidget(textView_, 1);
    auto* textButtons = new QHBoxLayout;
    auto* searchableAfterText = new QPushButton(tr("Make Searchable"));
    searchableAfterText->setAutoDefault(false);
    searchableAfterText->setToolTip(tr("Put the recognised words on the pages as invisible "
                                       "text, so the scan can be searched and selected"));
    textButtons->addWidget(searchableAfterText);
    saveTextButton_ = new QPushButton(tr("Save as Text..."));
    saveTextButton_->setAutoDefault(false);
    textButtons->addWidget(saveTextButton_);
    textButtons->addStretch(1);
    copyButton_ = new QPushButton(tr("Copy to Clipboard"));
    copyButton_->setDefault(true);
    textButtons->addWidget(copyButton_);
    auto* closeAfterText = new QPushButton(tr("Close"));
    closeAfterText->setAutoDefault(false);
    textButtons->addWidget(closeAfterText);
    textLayout->addLayout(textButtons);
    content_->addWidget(textPage);

    // While a run goes the header's spinner is the only sign of life.
    content_->addWidget(new QWidget);

    auto* noticePage = new QWidget;
    auto* noticeLayout = new QVBoxLayout(noticePage);
    noticeLayout->setContentsMargins(0, 0, 0, 0);
    auto* notice = new QLabel(tr("No text was recognized."));
    notice->setAlignment(Qt::AlignCenter);
    notice->setContentsMargins(16, 16, 16, 16);
    notice->setPalette(secondary);
    noticeLayout->addStretch(1);
    noticeLayout->addWidget(notice);
    noticeLayout->addStretch(1);
    auto* noticeButtons = new QHBoxLayout;
    auto* searchableAfterNotice = new QPushButton(tr("Make Searchable"));
    searchableAfterNotice->setAutoDefault(false);
    noticeButtons->addWidget(searchableAfterNotice);
    noticeButtons->addStretch(1);
    auto* closeAfterNotice = new QPushButton(tr("Close"));
    noticeButtons->addWidget(closeAfterNotice);
    noticeLayout->addLayout(noticeButtons);
    content_->addWidget(noticePage);

    layout->addWidget(content_, 1);
    searchableButtons_ = {searchableAfterText, searchableAfterNotice};

    statusLabel_ = new QLabel;
    statusLabel_->setWordWrap(true);
    statusLabel_->setPalette(secondary);
    layout->addWidget(statusLabel_);
    fillLanguages();

    connect(copyButton_, &QPushButton::clicked, this, &OCRResultSheet::copyToClipboard);
    connect(cancelButton_, &QPushButton::clicked, &model_, &OCRViewModel::cancel);
    connect(saveTextButton_, &QPushButton::clicked, this, [this] { model_.saveAsText(); });
    for (QPushButton* button : searchableButtons_)
        connect(button, &QPushButton::clicked, this, [this] { model_.makeSearchable(); });
    connect(languageList_, &QListWidget::itemChanged, this, &OCRResultSheet::languagesEdited);
    connect(&model_, &OCRViewModel::ocrStatusChanged, this, &OCRResultSheet::refresh);
    connect(&model_, &OCRViewModel::ocrLanguageChanged, this, &OCRResultSheet::fillLanguages);
    connect(closeAfterText, &QPushButton::clicked, this, &QDialog::reject);
    connect(closeAfterNotice, &QPushButton::clicked, this, &QDialog::reject);
    connect(&model_, &OCRViewModel::ocrTextChanged, this, &OCRResultSheet::refresh);
    connect(&model_, &OCRViewModel::ocrProgressChanged, this, &OCRResultSheet::refresh);
    connect(&model_, &OCRViewModel::isOCRRunningChanged, this, &OCRResultSheet::refresh);
    connect(&model_, &OCRViewModel::showOCRSheetChanged, this, [this] {
        if (!model_.showOCRSheet() && isVisible())
            QDialog::done(QDialog::Rejected);
    });
    refresh();
}

void OCRResultSheet::attach(OCRViewModel& model, QWidget* window) {
    auto current = std::make_shared<QPointer<OCRResultSheet>>();
    QObject::connect(&model, &OCRViewModel::showOCRSheetChanged, window, [&model, window, current] {
        if (!model.showOCRSheet() || (*current && (*current)->isVisible()))
            return;
        auto* sheet = new OCRResultSheet(model, window);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        *current = sheet;
        sheet->open();
    });
}

OCRResultSheet::Content OCRResultSheet::content() const {
    switch (content_->currentIndex()) {
    case 0:
        return Content::text;
    case 1:
        return Content::running;
    default:
        return Content::notice;
    }
}

void OCRResultSheet::done(int result) {
    // However the sheet is closed (button, Escape, window manager), the flag follows.
    QDialog::done(result);
    model_.setShowOCRSheet(false);
}

void OCRResultSheet::fillLanguages() {
    const QSignalBlocker blocker(languageList_);
    languageList_->clear();
    const QStringList chosen = model_.ocrLanguage().split('+', Qt::SkipEmptyParts);
    QStringList models = OCRViewModel::availableLanguages();
    // A chosen model that is not installed stays listed, so the error it gives makes sense.
    for (const QString& model : chosen)
        if (!models.contains(model))
            models << model;
    for (const QString& model : models) {
        auto* item = new QListWidgetItem(OCRService::languageDisplayName(model), languageList_);
        item->setData(Qt::UserRole, model);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(model) ? Qt::Checked : Qt::Unchecked);
    }
}

void OCRResultSheet::languagesEdited() {
    QStringList chosen;
    for (int i = 0; i < languageList_->count(); ++i)
        if (languageList_->item(i)->checkState() == Qt::Checked)
            chosen << languageList_->item(i)->data(Qt::UserRole).toString();
    if (chosen.isEmpty()) {
        fillLanguages(); // at least one language: the last one cannot be unchecked
        return;
    }
    model_.setOcrLanguage(chosen.join('+'));
}

void OCRResultSheet::refresh() {
    const bool running = model_.isOCRRunning();
    spinner_->setVisible(running);
    cancelButton_->setVisible(running);
    languageList_->setEnabled(!running);
    for (QPushButton* button : searchableButtons_)
        button->setEnabled(!running);
    const auto status = model_.ocrStatus();
    statusLabel_->setVisible(status.has_value());
    statusLabel_->setText(status.value_or(QString()));
    const auto progress = model_.ocrProgress();
    progressLabel_->setVisible(running && progress.has_value());
    progressLabel_->setText(progress.value_or(QString()));

    const auto text = model_.ocrText();
    if (text && !text->isEmpty()) {
        if (textView_->toPlainText() != *text)
            textView_->setPlainText(*text);
        content_->setCurrentIndex(0);
    } else if (running) {
        content_->setCurrentIndex(1);
    } else {
        content_->setCurrentIndex(2);
    }
}

void OCRResultSheet::copyToClipboard() {
    if (const auto text = model_.ocrText())
        Clipboard::current()->setText(*text);
}
