#include "shell/WelcomeView.h"

#include "platform/MainQueue.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReadingHistory.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kPdfMime = QStringLiteral("application/pdf");
constexpr int kOutlineInset = 20;
constexpr qreal kOutlineRadius = 12;
constexpr qreal kOutlineWidth = 2;
} // namespace

WelcomeView::WelcomeView(DocumentViewModel* viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel) {
    setAcceptDrops(true);
    setObjectName(QStringLiteral("welcomeView"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("welcomeIcon"));
    icon->setPixmap(Icons::pixmap(QStringLiteral("doc.text.fill"), 64, Appearance::secondary(),
                                  devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);

    auto* title = new QLabel(tr("Open a PDF to get started"), this);
    title->setFont(Appearance::font(Appearance::FontRole::title2));
    Appearance::setTextColor(title, Appearance::secondary());
    title->setAlignment(Qt::AlignCenter);

    auto* hint = new QLabel(tr("Drag & drop a file here or use File > Open"), this);
    hint->setFont(Appearance::font(Appearance::FontRole::callout));
    Appearance::setTextColor(hint, Appearance::tertiary());
    hint->setAlignment(Qt::AlignCenter);

    openButton_ = new QPushButton(tr("Open PDF..."), this);
    openButton_->setObjectName(QStringLiteral("prominentButton"));
    openButton_->setDefault(true);
    openButton_->setCursor(Qt::PointingHandCursor);
    openButton_->setMinimumSize(140, 36);
    QFont buttonFont = Appearance::font(Appearance::FontRole::headline);
    openButton_->setFont(buttonFont);
    // Prominent: filled with the accent colour, like the default action of a sheet.
    const QColor accent = Appearance::accent();
    openButton_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 7px; padding: 6px 22px; }"
                       "QPushButton:hover { background: %2; }"
                       "QPushButton:pressed { background: %3; }")
            .arg(accent.name(), accent.lighter(112).name(), accent.darker(115).name()));
    connect(openButton_, &QPushButton::clicked, this, [this] {
        if (viewModel_)
            viewModel_->openFile();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(20);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->addStretch(1);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(hint, 0, Qt::AlignHCenter);
    layout->addWidget(openButton_, 0, Qt::AlignHCenter);
    recent_ = new QWidget(this);
    recent_->setObjectName(QStringLiteral("recentFiles"));
    new QVBoxLayout(recent_);
    recent_->layout()->setSpacing(2);
    layout->addWidget(recent_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    refreshRecentFiles();
}

QList<QPushButton*> WelcomeView::recentButtons() const {
    return recent_->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void WelcomeView::refreshRecentFiles() {
    qDeleteAll(recent_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    const QStringList files = ReadingHistory::recentFiles();
    recent_->setVisible(!files.isEmpty());
    if (files.isEmpty())
        return;
    auto* heading = new QLabel(tr("Recent"), recent_);
    heading->setFont(Appearance::font(Appearance::FontRole::headline));
    Appearance::setTextColor(heading, Appearance::secondary());
    recent_->layout()->addWidget(heading);
    for (const QString& path : files) {
        auto* button = new QPushButton(QFileInfo(path).fileName(), recent_);
        button->setFlat(true);
        button->setToolTip(path);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(
            QStringLiteral("QPushButton { text-align: left; padding: 2px 6px; }"));
        connect(button, &QPushButton::clicked, this, [this, path] {
            if (viewModel_)
                viewModel_->loadDocument(QUrl::fromLocalFile(path));
        });
        recent_->layout()->addWidget(button);
    }
}

void WelcomeView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshRecentFiles();
}

bool WelcomeView::accepts(const QMimeData* mime) {
    return mime && (mime->hasFormat(kPdfMime) || mime->hasUrls());
}

bool WelcomeView::handleDrop(const QMimeData* mime) {
    if (!accepts(mime))
        return false;
    // Only the first item counts; the rest of a multiple drop is ignored.
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty())
        return true; // PDF bytes without a file: nothing to open from
    const QUrl url = urls.first();
    if (!url.isLocalFile() || QFileInfo(url.path()).suffix().toLower() != QLatin1String("pdf"))
        return true;
    QPointer<DocumentViewModel> model = viewModel_;
    MainQueue::async(
        [model, url] {
            if (model)
                model->loadDocument(url);
        },
        viewModel_);
    return true;
}

void WelcomeView::setTargeted(bool on) {
    if (isTargeted_ == on)
        return;
    isTargeted_ = on;
    update();
    emit isTargetedChanged();
}

void WelcomeView::paintEvent(QPaintEvent*) {
    if (!isTargeted_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 122, 255), kOutlineWidth);
    // Dash lengths are in pen widths: 8-point dashes and gaps.
    pen.setDashPattern({8 / kOutlineWidth, 8 / kOutlineWidth});
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(QColor(0, 122, 255, 14));
    // Stroked inside the inset rectangle.
    const qreal half = kOutlineWidth / 2;
    const QRectF box = QRectF(rect()).adjusted(kOutlineInset + half, kOutlineInset + half,
                                               -kOutlineInset - half, -kOutlineInset - half);
    painter.drawRoundedRect(box, kOutlineRadius - half, kOutlineRadius - half);
}

void WelcomeView::dragEnterEvent(QDragEnterEvent* event) {
    if (accepts(event->mimeData())) {
        event->acceptProposedAction();
        setTargeted(true);
    } else {
        event->ignore();
    }
}

void WelcomeView::dragMoveEvent(QDragMoveEvent* event) {
    if (accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void WelcomeView::dragLeaveEvent(QDragLeaveEvent* event) {
    setTargeted(false);
    event->accept();
}

void WelcomeView::dropEvent(QDropEvent* event) {
    setTargeted(false);
    if (handleDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}
