#pragma once
// The signatures sheet: draw and save handwritten signatures, place a saved one on the
// current page, and sign or verify the open document digitally. Window-modal, made
// afresh each time it is shown; everything it shows lives in SignatureViewModel.
#include "models/SignatureModel.h"
#include "pdf/document/Document.h"

#include <QDialog>

#include <functional>

class DocumentViewModel;
class QAbstractButton;
class QButtonGroup;
class QLayout;
class QVBoxLayout;
class SignatureViewModel;

enum class SignatureTab { draw, saved, digital };

class SignatureView : public QDialog {
    Q_OBJECT
public:
    // What the sheet needs of the document view model: the open document, and a way to
    // make a newly signed document the one shown (and the one a written copy holds).
    struct DocumentAccess {
        std::function<pdf::DocumentPtr()> pdfDocument;
        std::function<void(const pdf::DocumentPtr&)> setSignedDocument;
    };
    using PlaceCallback = std::function<void(const SavedSignature&)>;

    SignatureView(SignatureViewModel& signatureVM, DocumentAccess documentVM,
                  PlaceCallback onPlaceSignature, QWidget* parent = nullptr);
    // The main window's sheet: the window's document, and placement on its current page.
    SignatureView(SignatureViewModel& signatureVM, DocumentViewModel& documentVM,
                  QWidget* parent = nullptr);

    // What the main window hands the sheet: signing is an edit of the open document.
    static DocumentAccess accessTo(DocumentViewModel& documentVM);

    SignatureTab selectedTab() const { return selectedTab_; }
    void setSelectedTab(SignatureTab tab);

    // The tab's label and its symbol.
    static QString label(SignatureTab tab);
    static QString symbol(SignatureTab tab);

    // The sheet's own actions, also used by tests.
    void signDocument();
    void verifySignature();

signals:
    void selectedTabChanged();

private:
    QWidget* makeDrawTab();
    QWidget* makeSavedTab();
    QWidget* makeDigitalTab();
    QWidget* makeSignatureCard(const SavedSignature& signature);
    QWidget* makeResultBox();
    QLayout* makeIdentityRow();
    QLayout* makeCertifyRow();
    QWidget* makeSignatureList();
    void showTab();
    bool hasDocument() const;

    SignatureViewModel& signatureVM_;
    DocumentAccess documentVM_;
    PlaceCallback onPlaceSignature_;
    SignatureTab selectedTab_ = SignatureTab::draw;

    QButtonGroup* tabButtons_ = nullptr;
    QVBoxLayout* contentLayout_ = nullptr;
    QWidget* content_ = nullptr;
};
