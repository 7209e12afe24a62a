#include "sheets/SignatureView.h"

#include "sheets/SignatureDetailsForm.h"

#include "sheets/SignatureCanvasView.h"

#include "pdf/document/DocumentSource.h"
#include "utilities/DigitalSignatureService.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReplaceDocumentEdit.h"
#include "viewmodels/SignatureViewModel.h"
#include "widgets/AdaptiveGrid.h"
#include "widgets/SymbolIcon.h"

#include "desktop/FileDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPadding = 16;
const QColor kGreen(52, 168, 83);
const QColor kRed(220, 53, 47);

QColor secondaryColor(const QWidget* w) {
    QColor c = w->palette().color(QPalette::WindowText);
    c.setAlphaF(0.55);
    return c;
}

QColor tertiaryColor(const QWidget* w) {
    QColor c = w->palette().color(QPalette::WindowText);
    c.setAlphaF(0.35);
    return c;
}

QString cssColor(const QColor& c) {
    return QString("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet("color: rgba(0,0,0,0.12);");
    return line;
}

// The accent-filled button of the primary action.
QPushButton* prominentButton(const QString& title, bool small = false) {
    auto* button = new QPushButton(title);
    button->setAutoDefault(false);
    button->setObjectName("prominent");
    button->setStyleSheet(QString("QPushButton#prominent { background: palette(highlight);"
                                  " color: palette(highlighted-text); border: none;"
                                  " border-radius: 5px; padding: %1; }"
                                  "QPushButton#prominent:pressed { background: palette(dark); }"
                                  "QPushButton#prominent:disabled { background: rgba(0,0,0,0.12);"
                                  " color: rgba(0,0,0,0.35); }")
                              .arg(small ? "2px 10px" : "5px 14px"));
    return button;
}

QPushButton* borderedButton(const QString& title) {
    auto* button = new QPushButton(title);
    // Return in a text field does the field's own action, never a button's (Done closes).
    button->setAutoDefault(false);
    return button;
}

QLineEdit* roundedField(const QString& placeholder, int width) {
    auto* field = new QLineEdit;
    field->setPlaceholderText(placeholder);
    field->setFixedWidth(width);
    return field;
}

// Keeps a line edit and a text property of the model in step, both ways.
template <typename Getter, typename Setter, typename Signal>
void bindText(QLineEdit* field, SignatureViewModel* model, Getter get, Setter set, Signal changed) {
    field->setText((model->*get)());
    QObject::connect(field, &QLineEdit::textEdited, model,
                     [model, set](const QString& text) { (model->*set)(text); });
    QObject::connect(model, changed, field, [field, model, get] {
        if (field->text() != (model->*get)())
            field->setText((model->*get)());
    });
}

QLabel* iconLabel(const QString& symbol, int size, const QColor& color, const QWidget* context) {
    auto* label = new QLabel;
    label->setPixmap(SymbolIcon::pixmap(symbol, size, color, context->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

} // namespace

SignatureView::SignatureView(SignatureViewModel& signatureVM, DocumentAccess documentVM,
                             PlaceCallback onPlaceSignature, QWidget* parent)
    : QDialog(parent), signatureVM_(signatureVM), documentVM_(std::move(documentVM)),
      onPlaceSignature_(std::move(onPlaceSignature)) {
    setWindowTitle("Signatures");
    setWindowModality(Qt::WindowModal);
    setMinimumSize(500, 450);
    resize(560, 500);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // Header: title, space, Done.
    auto* header = new QHBoxLayout;
    header->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    auto* title = new QLabel("Signatures");
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    header->addWidget(title);
    header->addStretch();
    auto* done = borderedButton("Done");
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    header->addWidget(done);
    root->addLayout(header);

    // Segmented tab switch.
    auto* segments = new QHBoxLayout;
    segments->setContentsMargins(kPadding, 0, kPadding, 0);
    segments->setSpacing(0);
    tabButtons_ = new QButtonGroup(this);
    tabButtons_->setExclusive(true);
    const SignatureTab tabs[] = {SignatureTab::draw, SignatureTab::saved, SignatureTab::digital};
    for (int i = 0; i < 3; ++i) {
        auto* segment = new QToolButton;
        segment->setCheckable(true);
        segment->setText(label(tabs[i]));
        segment->setIcon(SymbolIcon::icon(symbol(tabs[i])));
        segment->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const QString corners =
            i == 0   ? "border-top-left-radius: 6px; border-bottom-left-radius: 6px;"
            : i == 2 ? "border-top-right-radius: 6px; border-bottom-right-radius: 6px;"
                     : "";
        segment->setStyleSheet(
            "QToolButton { border: 1px solid rgba(0,0,0,0.18); background: rgba(0,0,0,0.04);"
            " padding: 4px 10px; " +
            corners + (i > 0 ? " border-left: none;" : "") +
            "}"
            "QToolButton:checked { background: palette(base); font-weight: 600; }");
        tabButtons_->addButton(segment, i);
        segments->addWidget(segment);
    }
    tabButtons_->button(0)->setChecked(true);
    connect(tabButtons_, &QButtonGroup::idClicked, this,
            [this](int id) { setSelectedTab(SignatureTab(id)); });
    root->addLayout(segments);

    root->addSpacing(8);
    root->addWidget(divider());

    contentLayout_ = new QVBoxLayout;
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    root->addLayout(contentLayout_, 1);

    // The saved tab follows the library; the digital tab its result box.
    connect(&signatureVM_, &SignatureViewModel::savedSignaturesChanged, this, [this] {
        if (selectedTab_ == SignatureTab::saved)
            showTab();
    });
    connect(&signatureVM_, &SignatureViewModel::verificationResultChanged, this, [this] {
        if (selectedTab_ != SignatureTab::digital)
            return;
        // The tab is rebuilt; the focus goes back to Verify, not on to Done.
        QWidget* old = focusWidget();
        const bool verifyHadFocus = old && old->objectName() == "verifyButton";
        showTab();
        for (auto* verify : findChildren<QPushButton*>("verifyButton"))
            if (verifyHadFocus && verify != old)
                verify->setFocus(Qt::OtherFocusReason);
    });
    showTab();
}

SignatureView::SignatureView(SignatureViewModel& signatureVM, DocumentViewModel& documentVM,
                             QWidget* parent)
    : SignatureView(
          signatureVM, accessTo(documentVM),
          [&signatureVM, &documentVM](const SavedSignature& signature) {
              signatureVM.placeSignatureOnCurrentPage(signature, documentVM);
          },
          parent) {}

SignatureView::DocumentAccess SignatureView::accessTo(DocumentViewModel& documentVM) {
    return DocumentAccess{[&documentVM] { return documentVM.pdfDocument(); },
                          [&documentVM](const pdf::DocumentPtr& signedDocument) {
                              documentVM.perform(std::make_unique<ReplaceDocumentEdit>(
                                  tr("Sign Document"), documentVM, signedDocument));
                          }};
}

QString SignatureView::label(SignatureTab tab) {
    switch (tab) {
    case SignatureTab::draw:
        return "Draw";
    case SignatureTab::saved:
        return "Saved";
    case SignatureTab::digital:
        return "Digital Sign";
    }
    return {};
}

QString SignatureView::symbol(SignatureTab tab) {
    switch (tab) {
    case SignatureTab::draw:
        return "pencil.tip";
    case SignatureTab::saved:
        return "square.grid.2x2";
    case SignatureTab::digital:
        return "lock.shield";
    }
    return {};
}

void SignatureView::setSelectedTab(SignatureTab tab) {
    if (tab == selectedTab_)
        return;
    selectedTab_ = tab;
    tabButtons_->button(int(tab))->setChecked(true);
    showTab();
    emit selectedTabChanged();
}

bool SignatureView::hasDocument() const {
    return documentVM_.pdfDocument && documentVM_.pdfDocument() != nullptr;
}

void SignatureView::showTab() {
    // A tab's widgets (the canvas included) are made afresh whenever it is shown.
    // The old tab may be running the click that brought us here: detach it now, delete later.
    if (content_) {
        contentLayout_->removeWidget(content_);
        content_->hide();
        content_->setParent(nullptr);
        content_->deleteLater();
    }
    switch (selectedTab_) {
    case SignatureTab::draw:
        content_ = makeDrawTab();
        break;
    case SignatureTab::saved:
        content_ = makeSavedTab();
        break;
    case SignatureTab::digital:
        content_ = makeDigitalTab();
        break;
    }
    contentLayout_->addWidget(content_);
    content_->show();
}

QWidget* SignatureView::makeDrawTab() {
    auto* tab = new QWidget;
    tab->setObjectName("drawTab");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(0, 12, 0, 0);
    column->setSpacing(12);
    SignatureViewModel* model = &signatureVM_;

    auto* canvas = new SignatureCanvasView([model](const std::optional<QImage>& image) {
        model->setCurrentSignatureImage(image.value_or(QImage()));
    });
    canvas->setObjectName("signatureCanvas");
    canvas->setFixedHeight(150);
    // Clearing or saving the drawing wipes the pad, so the next stroke starts a new one.
    connect(model, &SignatureViewModel::currentSignatureImageChanged, canvas, [model, canvas] {
        if (model->currentSignatureImage().isNull())
            canvas->canvas()->clear();
    });
    auto* canvasRow = new QHBoxLayout;
    canvasRow->setContentsMargins(kPadding, 0, kPadding, 0);
    canvasRow->addWidget(canvas);
    column->addLayout(canvasRow);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(kPadding, 0, kPadding, 0);
    auto* name = roundedField("Signature name", 200);
    name->setObjectName("signatureName");
    bindText(name, model, &SignatureViewModel::signatureName, &SignatureViewModel::setSignatureName,
             &SignatureViewModel::signatureNameChanged);
    auto* clear = borderedButton("Clear");
    connect(clear, &QPushButton::clicked, model, [model] { model->setCurrentSignatureImage({}); });
    auto* save = prominentButton("Save Signature");
    connect(save, &QPushButton::clicked, model, &SignatureViewModel::saveCurrentSignature);
    connect(name, &QLineEdit::returnPressed, save, &QPushButton::click);
    auto updateSave = [model, save] {
        save->setEnabled(!model->currentSignatureImage().isNull() &&
                         !model->signatureName().isEmpty());
    };
    updateSave();
    connect(model, &SignatureViewModel::currentSignatureImageChanged, save, updateSave);
    connect(model, &SignatureViewModel::signatureNameChanged, save, updateSave);
    row->addWidget(name);
    row->addWidget(clear);
    row->addWidget(save);
    row->addStretch();
    column->addLayout(row);

    column->addWidget(divider());

    auto* stamp = new QCheckBox("Include 'Signed by' stamp");
    stamp->setChecked(model->includeStamp());
    connect(stamp, &QCheckBox::toggled, model, &SignatureViewModel::setIncludeStamp);
    connect(model, &SignatureViewModel::includeStampChanged, stamp,
            [stamp, model] { stamp->setChecked(model->includeStamp()); });
    auto* stampRow = new QHBoxLayout;
    stampRow->setContentsMargins(kPadding, 0, kPadding, 0);
    stampRow->addWidget(stamp);
    column->addLayout(stampRow);

    auto* nameRow = new QWidget;
    nameRow->setObjectName("stampNameRow");
    auto* nameLayout = new QHBoxLayout(nameRow);
    nameLayout->setContentsMargins(kPadding, 0, kPadding, 0);
    nameLayout->addWidget(new QLabel("Name on stamp:"));
    auto* stampName = roundedField("Name", 200);
    stampName->setObjectName("stampName");
    bindText(stampName, model, &SignatureViewModel::stampName, &SignatureViewModel::setStampName,
             &SignatureViewModel::stampNameChanged);
    nameLayout->addWidget(stampName);
    nameLayout->addStretch();
    nameRow->setVisible(model->includeStamp());
    connect(model, &SignatureViewModel::includeStampChanged, nameRow,
            [nameRow, model] { nameRow->setVisible(model->includeStamp()); });
    column->addWidget(nameRow);

    column->addStretch();
    return tab;
}

QWidget* SignatureView::makeSavedTab() {
    if (signatureVM_.savedSignatures().empty()) {
        auto* empty = new QWidget;
        empty->setObjectName("savedEmpty");
        auto* column = new QVBoxLayout(empty);
        column->addStretch();
        column->addWidget(iconLabel("signature", 48, secondaryColor(this), this), 0,
                          Qt::AlignHCenter);
        auto* none = new QLabel("No saved signatures");
        none->setStyleSheet("color: " + cssColor(secondaryColor(this)) + ";");
        column->addWidget(none, 0, Qt::AlignHCenter);
        auto* hint = new QLabel("Draw a signature and save it first");
        QFont caption = hint->font();
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
        hint->setFont(caption);
        hint->setStyleSheet("color: " + cssColor(tertiaryColor(this)) + ";");
        column->addWidget(hint, 0, Qt::AlignHCenter);
        column->addStretch();
        return empty;
    }

    auto* scroll = new QScrollArea;
    scroll->setObjectName("savedGrid");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* holder = new QWidget;
    auto* holderLayout = new QVBoxLayout(holder);
    holderLayout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    auto* grid = new AdaptiveGrid(180, 12);
    for (const SavedSignature& signature : signatureVM_.savedSignatures())
        grid->addItem(makeSignatureCard(signature));
    holderLayout->addWidget(grid);
    holderLayout->addStretch();
    scroll->setWidget(holder);
    return scroll;
}

QWidget* SignatureView::makeSignatureCard(const SavedSignature& signature) {
    auto* card = new QFrame;
    card->setObjectName("signatureCard");
    card->setStyleSheet("QFrame#signatureCard { background: rgba(0,0,0,0.05);"
                        " border-radius: 8px; }");
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(8);

    QImage image = QImage::fromData(signature.imageData);
    if (!image.isNull()) {
        auto* picture = new QLabel;
        const double ratio = devicePixelRatioF();
        QImage scaled = image.scaledToHeight(qRound(60 * ratio), Qt::SmoothTransformation);
        if (scaled.width() > 260 * ratio) // kept within the card, proportions intact
            scaled = image.scaledToWidth(qRound(260 * ratio), Qt::SmoothTransformation);
        QPixmap pixmap = QPixmap::fromImage(scaled);
        pixmap.setDevicePixelRatio(ratio);
        picture->setPixmap(pixmap);
        picture->setFixedHeight(60);
        picture->setAlignment(Qt::AlignCenter);
        column->addWidget(picture);
    }
    auto* name = new QLabel(signature.name);
    name->setTextFormat(Qt::PlainText);
    QFont caption = name->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    name->setFont(caption);
    name->setStyleSheet("color: " + cssColor(secondaryColor(this)) + ";");
    column->addWidget(name);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    auto* place = prominentButton("Place", true);
    place->setEnabled(hasDocument());
    connect(place, &QPushButton::clicked, this, [this, signature] {
        if (onPlaceSignature_)
            onPlaceSignature_(signature);
        accept();
    });
    auto* trash = new QToolButton;
    trash->setObjectName("deleteSignature");
    trash->setIcon(SymbolIcon::icon("trash"));
    trash->setToolTip("Delete");
    trash->setAutoRaise(false);
    connect(trash, &QToolButton::clicked, this,
            [this, signature] { signatureVM_.deleteSignature(signature); });
    row->addWidget(place);
    row->addWidget(trash);
    row->addStretch();
    column->addLayout(row);
    return card;
}

QWidget* SignatureView::makeDigitalTab() {
    auto* tab = new QWidget;
    tab->setObjectName("digitalTab");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(16);
    column->addStretch();
    column->addWidget(iconLabel("lock.shield.fill", 48, palette().color(QPalette::Highlight), this),
                      0, Qt::AlignHCenter);

    SignatureViewModel* model = &signatureVM_;
    auto* nameRow = new QHBoxLayout;
    nameRow->addStretch();
    nameRow->addWidget(new QLabel("Signer name:"));
    auto* signer = roundedField("Your name", 200);
    signer->setObjectName("signerName");
    bindText(signer, model, &SignatureViewModel::signerName, &SignatureViewModel::setSignerName,
             &SignatureViewModel::signerNameChanged);
    nameRow->addWidget(signer);
    nameRow->addStretch();
    column->addLayout(nameRow);
    column->addLayout(makeIdentityRow());
    column->addWidget(new SignatureDetailsForm(signatureVM_), 0, Qt::AlignHCenter);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    auto* sign = prominentButton("Sign Document");
    connect(sign, &QPushButton::clicked, this, &SignatureView::signDocument);
    connect(signer, &QLineEdit::returnPressed, sign, &QPushButton::click);
    auto updateSign = [this, sign, model] {
        sign->setEnabled(hasDocument() && !model->signerName().isEmpty());
    };
    updateSign();
    connect(model, &SignatureViewModel::signerNameChanged, sign, updateSign);
    auto* verify = borderedButton("Verify Signature");
    verify->setObjectName("verifyButton");
    verify->setEnabled(hasDocument());
    connect(verify, &QPushButton::clicked, this, &SignatureView::verifySignature);
    buttons->addWidget(sign);
    buttons->addWidget(verify);
    buttons->addStretch();
    column->addLayout(buttons);

    if (signatureVM_.verificationResult())
        column->addWidget(makeResultBox());
    column->addStretch();
    return tab;
}

QLayout* SignatureView::makeIdentityRow() {
    SignatureViewModel* model = &signatureVM_;
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(new QLabel("Certificate:"));
    auto* picker = new QComboBox;
    picker->setObjectName("identityPicker");
    picker->setMinimumWidth(200);
    auto fill = [picker, model] {
        const QSignalBlocker blocker(picker);
        picker->clear();
        picker->addItem("Own (self-signed for the name)", QString());
        for (const SigningIdentity& identity : model->importedIdentities())
            picker->addItem(identity.label, identity.label);
        picker->setCurrentIndex(std::max(0, picker->findData(model->selectedIdentity())));
    };
    fill();
    connect(model, &SignatureViewModel::identitiesChanged, picker, fill);
    connect(model, &SignatureViewModel::selectedIdentityChanged, picker, fill);
    connect(picker, &QComboBox::currentIndexChanged, model,
            [picker, model] { model->setSelectedIdentity(picker->currentData().toString()); });
    row->addWidget(picker);

    // The password goes straight to the import and is cleared after it; never kept.
    auto* password = roundedField("Certificate password", 140);
    password->setObjectName("p12Password");
    password->setEchoMode(QLineEdit::Password);
    row->addWidget(password);
    auto* import = borderedButton("Import .p12...");
    import->setObjectName("importIdentity");
    connect(import, &QPushButton::clicked, this, [this, password, model] {
        OpenFileRequest request;
        request.contentTypes = {ContentType{"PKCS #12 Certificate", {"p12", "pfx"}}};
        request.title = "Import Certificate";
        request.prompt = "Import";
        const QString path = FileDialogs::current()->openFile(request);
        if (path.isEmpty())
            return;
        const QString error = model->importIdentity(path, password->text());
        password->clear();
        if (!error.isEmpty()) {
            DigitalSignatureService::SignatureVerificationResult failed;
            failed.isValid = false;
            failed.message = error;
            model->setVerificationResult(failed);
        }
    });
    row->addWidget(import);
    row->addStretch();
    return row;
}

QWidget* SignatureView::makeSignatureList() {
    using Integrity = StandardSignature::Integrity;
    const auto& signatures = signatureVM_.verificationResult()->signatures;
    auto* list = new QListWidget;
    list->setObjectName("signatureList");
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setWordWrap(true);
    list->setStyleSheet("QListWidget { background: transparent; border: none; }");
    for (const StandardSignature::Result& s : signatures) {
        const bool good = s.isGood();
        const bool unknown = s.integrity == Integrity::Unsupported;
        const QString symbol = good ? "checkmark.shield.fill" : "xmark.shield.fill";
        const QColor color = good ? kGreen : unknown ? secondaryColor(this) : kRed;
        auto* item = new QListWidgetItem(SymbolIcon::icon(symbol, color), s.summary());
        item->setData(Qt::UserRole, good);
        list->addItem(item);
    }
    list->setFixedHeight(std::min(160, 8 + 40 * int(signatures.size())));
    return list;
}

QWidget* SignatureView::makeResultBox() {
    const auto& result = *signatureVM_.verificationResult();
    QString symbol = "xmark.shield.fill";
    QColor color = kRed;
    if (!result.isSigned) {
        symbol = "shield.slash";
        color = secondaryColor(this);
    } else if (result.isValid == true) {
        symbol = "checkmark.shield.fill";
        color = kGreen;
    }
    auto* box = new QFrame;
    box->setObjectName("resultBox");
    box->setProperty("symbol", symbol);
    box->setStyleSheet("QFrame#resultBox { background: rgba(0,0,0,0.05); border-radius: 8px; }");
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    row->addWidget(iconLabel(symbol, 20, color, this), 0, Qt::AlignTop);
    auto* message = new QLabel(result.message);
    message->setObjectName("resultMessage");
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    row->addWidget(message, 1);
    if (result.signatures.empty())
        return box;
    auto* stack = new QWidget;
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(box);
    column->addWidget(makeSignatureList());
    return stack;
}

void SignatureView::verifySignature() {
    if (!hasDocument())
        return;
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    signatureVM_.setVerificationResult(
        DigitalSignatureService::verifyDocument(*document, signatureVM_.keyStore()));
}

void SignatureView::signDocument() {
    if (!hasDocument())
        return;
    pdf::DocumentPtr document = documentVM_.pdfDocument();
    QByteArray signedData;
    // A timestamp server may take a while to answer; the wait is bounded by the service.
    const bool asksServer = !signatureVM_.timestampServer().isEmpty();
    if (asksServer)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        signedData = signatureVM_.signDocument(*document);
        if (asksServer)
            QGuiApplication::restoreOverrideCursor();
    } catch (const std::exception& error) {
        if (asksServer)
            QGuiApplication::restoreOverrideCursor();
        // The service's signing errors already start with these words; say them once.
        QString reason = QString::fromUtf8(error.what());
        const QString prefix = "Signing failed: ";
        if (!reason.startsWith(prefix))
            reason.prepend(prefix);
        DigitalSignatureService::SignatureVerificationResult failed;
        failed.isSigned = false;
        failed.isValid = false;
        failed.message = reason;
        signatureVM_.setVerificationResult(failed);
        return;
    }
    // The signed bytes become the document shown, and the one a written copy holds.
    // A protected document's copy is protected as well; it opens as the document did.
    pdf::DocumentPtr signedDocument = pdf::Document::fromData(signedData);
    if (signedDocument && pdf::unlockLike(*signedDocument, *document)) {
        if (documentVM_.setSignedDocument)
            documentVM_.setSignedDocument(signedDocument);
    }
    if (const pdf::DocumentPtr current = documentVM_.pdfDocument())
        signatureVM_.setVerificationResult(
            DigitalSignatureService::verifyDocument(*current, signatureVM_.keyStore()));
}
