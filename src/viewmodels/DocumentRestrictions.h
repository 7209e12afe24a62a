#pragma once
// The permissions the author of a protected file set: respected unless the person chose to
// ignore them (a preference), and named when they stop something.
#include "pdf/document/DocumentPermissions.h"
#include "viewmodels/DocumentEdit.h"

#include <QString>

namespace DocumentRestrictions {

// The preference: false until the person turns it on.
bool ignored();
void setIgnored(bool on);

// Whether `permissions` allow an edit of `kind`.
bool permits(const pdf::Permissions& permissions, DocumentEdit::Kind kind);
// What the permissions forbid, for a sentence: "changing it, annotating it and printing it";
// empty when nothing is forbidden.
QString forbidden(const pdf::Permissions& permissions);

} // namespace DocumentRestrictions
