#include "sheets/SignatureDetailsForm.h"

#include "viewmodels/SignatureViewModel.h"

#include <QFormLayout>
#include <QLineEdit>

namespace {

using Getter = QString (SignatureViewModel::*)() const;
using Setter = void (SignatureViewModel::*)(const QString&);

QLineEdit* boundField(SignatureViewModel& model, Getter get, Setter set, const QString& name,
                      const QString& placeholder) {
    auto* field = new QLineEdit((model.*get)());
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setMinimumWidth(260);
    QObject::connect(field, &QLineEdit::textEdited, &model,
                     [&model, set](const QString& text) { (model.*set)(text); });
    // Only edits made elsewhere come back: the field keeps what is being typed.
    QObject::connect(&model, &SignatureViewModel::signingDetailsChanged, field,
                     [field, &model, get] {
                         if (!field->hasFocus() && field->text() != (model.*get)())
                             field->setText((model.*get)());
                     });
    return field;
}

} // namespace

SignatureDetailsForm::SignatureDetailsForm(SignatureViewModel& model, QWidget* parent)
    : QWidget(parent) {
    setObjectName("signatureDetails");
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow("Reason:", boundField(model, &SignatureViewModel::signingReason,
                                       &SignatureViewModel::setSigningReason, "signingReason",
                                       "Optional, e.g. I approve this document"));
    form->addRow("Location:", boundField(model, &SignatureViewModel::signingLocation,
                                         &SignatureViewModel::setSigningLocation, "signingLocation",
                                         "Optional, e.g. Berlin"));
    auto* server = boundField(model, &SignatureViewModel::timestampServer,
                              &SignatureViewModel::setTimestampServer, "timestampServer",
                              "None, or http://... of a timestamp authority");
    server->setToolTip("A timestamp authority vouches for the signing time (RFC 3161). "
                       "Signing fails rather than go without it when it does not answer.");
    form->addRow("Timestamp server:", server);
    setMaximumWidth(460);
}
