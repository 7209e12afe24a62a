#pragma once
// Gives every button and field of the application a name assistive technology can say:
// an icon-only button is named by its tooltip (or its action's text), a field without a
// label by its placeholder or tooltip. A name set by hand is never replaced.
class QWidget;

namespace AccessibleNames {
// Watches every widget of the application as it is first shown (once is enough).
void install();
// Names `widget` now, if it lacks a name and has something to take one from.
void name(QWidget* widget);
} // namespace AccessibleNames
