#pragma once
// The digital tab's details of a signature beyond its signer: why and where it is made
// (shown on a visible signature) and the timestamp server that vouches for its time.
#include <QWidget>

class SignatureViewModel;

class SignatureDetailsForm : public QWidget {
    Q_OBJECT
public:
    explicit SignatureDetailsForm(SignatureViewModel& model, QWidget* parent = nullptr);
};
