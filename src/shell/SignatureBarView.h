#pragma once
// The bar over the page view that says, as a signed document opens, who signed it and
// whether each signature still holds: "Signed by Ada: valid, not changed since".
// Hidden for documents without standard signatures.
#include "utilities/StandardSignature.h"

#include <QFrame>

#include <vector>

class DocumentViewModel;
class QLabel;

class SignatureBarView : public QFrame {
    Q_OBJECT
public:
    explicit SignatureBarView(DocumentViewModel* documentVM, QWidget* parent = nullptr);

    // What the bar shows now; empty while hidden.
    QString text() const;
    const std::vector<StandardSignature::Result>& signatures() const { return signatures_; }

private:
    void documentChanged();

    DocumentViewModel* documentVM_;
    QLabel* icon_ = nullptr;
    QLabel* label_ = nullptr;
    std::vector<StandardSignature::Result> signatures_;
};
