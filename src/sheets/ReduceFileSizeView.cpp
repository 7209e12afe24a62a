#include "sheets/ReduceFileSizeView.h"

#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReduceFileSizeViewModel.h"
#include "widgets/SheetStyle.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using SheetStyle::Role;

namespace {

QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

struct LevelText {
    const char* title;
    const char* note;
};

constexpr LevelText kLevels[] = {
    {QT_TRANSLATE_NOOP("ReduceFileSizeView", "Lossless"),
     QT_TRANSLATE_NOOP("ReduceFileSizeView", "Nothing that shows changes")},
    {QT_TRANSLATE_NOOP("ReduceFileSizeView", "Balanced"),
     QT_TRANSLATE_NOOP("ReduceFileSizeView", "Images at 150 dpi, photographs as JPEG")},
    {QT_TRANSLATE_NOOP("ReduceFileSizeView", "Smallest"),
     QT_TRANSLATE_NOOP("ReduceFileSizeView", "Images at 100 dpi, for the screen and e-mail")},
};

} // namespace

ReduceFileSizeView::ReduceFileSizeView(DocumentViewModel& documentVM, QWidget* parent)
    : QDialog(parent), model_(new ReduceFileSizeViewModel(documentVM, this)) {
    setWindowTitle(tr("Reduce File Size"));
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    auto* title = SheetStyle::label(tr("Reduce File Size"), Role::title2, QFont::DemiBold);
    title->setWordWrap(true);
    layout->addWidget(title);
    inputLabel_ =
        SheetStyle::label(QString(), Role::callout, QFont::Normal, SheetStyle::secondary());
    inputLabel_->setWordWrap(true);
    const QString name = documentVM.fileName();
    inputLabel_->setText(model_->inputBytes() > 0
                             ? tr("%1 is %2 now.").arg(name, sizeText(model_->inputBytes()))
                             : tr("%1 has not been saved to a file.").arg(name));
    layout->addWidget(inputLabel_);

    auto* group = new QButtonGroup(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(0, 1);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(tr(kLevels[i].title));
        group->addButton(button, i);
        levelButtons_[size_t(i)] = button;
        auto* note = SheetStyle::label(tr(kLevels[i].note), Role::caption, QFont::Normal,
                                       SheetStyle::tertiary());
        note->setWordWrap(true);
        note->setContentsMargins(24, 0, 0, 6);
        auto* size = SheetStyle::label(QString(), Role::callout, QFont::Medium);
        size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        sizeLabels_[size_t(i)] = size;
        grid->addWidget(button, 2 * i, 0);
        grid->addWidget(size, 2 * i, 1);
        grid->addWidget(note, 2 * i + 1, 0, 1, 2);
    }
    levelButtons_[size_t(model_->levelIndex())]->setChecked(true);
    layout->addLayout(grid);

    progressBar_ = new QProgressBar;
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->hide();
    layout->addWidget(progressBar_);
    statusText_ = SheetStyle::label(QString(), Role::callout);
    statusText_->setWordWrap(true);
    statusText_->hide();
    layout->addWidget(statusText_);

    auto* buttons = new QHBoxLayout;
    cancelButton_ = new QPushButton(tr("Close"));
    cancelButton_->setAutoDefault(false);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    saveButton_ = new QPushButton(tr("Save Smaller Copy..."));
    saveButton_->setDefault(true);
    saveButton_->setEnabled(model_->inputBytes() > 0);
    buttons->addWidget(saveButton_);
    layout->addLayout(buttons);
    setMinimumWidth(std::min(420, parent ? parent->width() : 420));

    connect(group, &QButtonGroup::idClicked, model_, &ReduceFileSizeViewModel::setLevelIndex);
    connect(model_, &ReduceFileSizeViewModel::estimatesChanged, this,
            &ReduceFileSizeView::refreshSizes);
    connect(model_, &ReduceFileSizeViewModel::runningChanged, this,
            &ReduceFileSizeView::refreshRunning);
    connect(model_, &ReduceFileSizeViewModel::progressChanged, this,
            [this] { progressBar_->setValue(model_->progress()); });
    connect(model_, &ReduceFileSizeViewModel::statusChanged, this, [this] {
        statusText_->setText(model_->statusMessage());
        statusText_->setVisible(!model_->statusMessage().isEmpty());
    });
    connect(cancelButton_, &QPushButton::clicked, this, &ReduceFileSizeView::reject);
    connect(saveButton_, &QPushButton::clicked, model_, &ReduceFileSizeViewModel::reduce);
    refreshSizes();
    model_->estimate();
}

void ReduceFileSizeView::refreshSizes() {
    for (size_t i = 0; i < ReduceFileSizeViewModel::levels.size(); ++i) {
        const auto level = ReduceFileSizeViewModel::levels[i];
        const qint64 bytes = model_->size(level);
        QString text;
        if (bytes >= 0)
            text = model_->estimated(level) ? tr("about %1").arg(sizeText(bytes)) : sizeText(bytes);
        else if (model_->isEstimating())
            text = tr("estimating…");
        sizeLabels_[i]->setText(text);
        sizeLabels_[i]->setToolTip(
            bytes >= 0 && model_->estimated(level)
                ? tr("Estimated from a sample of the file's streams and images")
                : QString());
    }
}

void ReduceFileSizeView::refreshRunning() {
    const bool running = model_->isRunning();
    progressBar_->setVisible(running);
    saveButton_->setEnabled(!running && model_->inputBytes() > 0);
    for (QRadioButton* button : levelButtons_)
        button->setEnabled(!running);
    cancelButton_->setText(running ? tr("Stop") : tr("Close"));
}

void ReduceFileSizeView::reject() {
    // While a copy is being written, the first press stops it; the sheet stays to say so.
    if (model_->isRunning()) {
        model_->cancel();
        return;
    }
    QDialog::reject();
}
