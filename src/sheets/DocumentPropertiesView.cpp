#include "sheets/DocumentPropertiesView.h"

#include "desktop/Clipboard.h"
#include "pdf/document/Document.h"
#include "pdf/document/DocumentProperties.h"
#include "viewmodels/AttachmentsViewModel.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString yesNo(bool on) {
    return on ? QObject::tr("Yes") : QObject::tr("No");
}

QString dateText(const QDateTime& date) {
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::LongFormat)
                          : QObject::tr("\u2014");
}

QString printable(const QString& text) {
    QString out;
    for (QChar ch : text)
        out += ch.isPrint() ? ch : QChar(u' ');
    return out.simplified();
}

// Points, and millimetres beside them.
QString sizeText(const QSizeF& size) {
    return QObject::tr("%1 \u00d7 %2 pt (%3 \u00d7 %4 mm)")
        .arg(size.width())
        .arg(size.height())
        .arg(qRound(size.width() * 25.4 / 72))
        .arg(qRound(size.height() * 25.4 / 72));
}

} // namespace

QString DocumentPropertiesView::describe(const pdf::Document& document, const QString& fileName) {
    using Key = pdf::InfoKey;
    const pdf::DocumentProperties p = pdf::describe(document);
    QStringList lines;
    auto line = [&](const QString& name, const QString& value) {
        lines << name + QStringLiteral(": ") + (value.isEmpty() ? tr("\u2014") : value);
    };
    line(tr("File"), fileName);
    if (!document.path().isEmpty()) {
        line(tr("Location"), QFileInfo(document.path()).absolutePath());
        const qint64 bytes = QFileInfo(document.path()).size();
        line(tr("File size"),
             tr("%1 (%2 bytes)")
                 .arg(AttachmentsViewModel::sizeText(bytes), QLocale().toString(bytes)));
    }
    line(tr("Title"), printable(document.info(Key::Title)));
    line(tr("Author"), printable(document.info(Key::Author)));
    line(tr("Subject"), printable(document.info(Key::Subject)));
    line(tr("Keywords"), printable(document.info(Key::Keywords)).left(500));
    line(tr("Creator"), printable(document.info(Key::Creator)));
    line(tr("Producer"), printable(document.info(Key::Producer)));
    line(tr("Created"), dateText(document.infoDate(Key::CreationDate)));
    line(tr("Modified"), dateText(document.infoDate(Key::ModDate)));
    line(tr("PDF version"), p.version);
    line(tr("Pages"), document.isLocked() ? tr("locked") : QString::number(p.pageCount));
    for (size_t i = 0; i < p.pageSizes.size() && i < 20; ++i) {
        const auto& use = p.pageSizes[i];
        line(i == 0 ? tr("Page size") : tr("Also"),
             p.pageSizes.size() == 1
                 ? sizeText(use.size)
                 : tr("%1, %n page(s)", nullptr, use.pages).arg(sizeText(use.size)));
    }
    if (p.pageSizes.size() > 20)
        line(tr("Also"), tr("%n more size(s)", nullptr, int(p.pageSizes.size() - 20)));
    line(tr("Encrypted"),
         p.encrypted ? (p.encryption.isEmpty() ? tr("Yes") : p.encryption) : tr("No"));
    QStringList allowed, refused;
    const std::pair<bool, QString> rights[] = {
        {p.mayPrint, tr("printing")},          {p.mayCopy, tr("copying text")},
        {p.mayModify, tr("changing")},         {p.mayAnnotate, tr("annotating")},
        {p.mayFillForms, tr("filling forms")}, {p.mayAssemble, tr("assembling pages")},
    };
    for (const auto& [may, what] : rights)
        (may ? allowed : refused) << what;
    line(tr("Permissions"), refused.isEmpty() ? tr("everything allowed")
                                              : tr("not allowed: %1").arg(refused.join(", ")));
    line(tr("Tagged"), yesNo(p.tagged));
    line(tr("Linearised"), yesNo(p.linearized));
    line(tr("Signed"),
         p.signatures > 0 ? tr("Yes, %n signature(s)", nullptr, p.signatures) : tr("No"));
    lines << QString()
          << tr("Fonts (%1)%2")
                 .arg(p.fonts.size())
                 .arg(p.fontsCut ? tr(", the first found") : QString());
    for (const pdf::FontUse& font : p.fonts) {
        QStringList how{font.type, font.embedded ? tr("embedded") : tr("not embedded")};
        if (font.subset)
            how << tr("subset");
        lines << QStringLiteral("  ") + printable(font.name).left(200) +
                     QStringLiteral(" \u2014 ") + how.join(QStringLiteral(", "));
    }
    if (p.fonts.empty())
        lines << QStringLiteral("  ") + tr("none");
    return lines.join(u'\n');
}

DocumentPropertiesView::DocumentPropertiesView(const pdf::Document& document,
                                               const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("documentProperties"));
    setWindowTitle(tr("Document Properties"));
    setWindowModality(Qt::WindowModal);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("propertiesText"));
    text_->setAccessibleName(tr("Document properties"));
    text_->setReadOnly(true);
    // Read-only, still selectable by mouse and keyboard and copyable.
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setPlainText(describe(document, fileName));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    copy_ = buttons->addButton(tr("Copy All"), QDialogButtonBox::ActionRole);
    connect(copy_, &QPushButton::clicked, this,
            [this] { Clipboard::current()->setText(text_->toPlainText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    // As wide as a line of fonts wants, within the screen.
    const QFontMetrics metrics = text_->fontMetrics();
    QSize wanted(std::min(metrics.horizontalAdvance(QLatin1Char('m')) * 60, 640), 520);
    if (const QScreen* shown = parent ? parent->screen() : screen())
        wanted = wanted.boundedTo(shown->availableGeometry().size() * 0.9);
    resize(wanted);
    text_->setFocus();
}
