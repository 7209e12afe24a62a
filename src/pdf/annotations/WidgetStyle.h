#pragma once
// How a form widget is typed into or chosen from, as its field asks: one line or several,
// a drop-down or a list, and the size of its text.
#include "pdf/annotations/Annotation.h"

namespace pdf {

struct WidgetStyle {
    bool multiline = false; // a text field that takes several lines
    bool comboBox = false;  // a choice field shown as a drop-down rather than a list
    double fontSize = 0;    // points; 0 when the field fits its text to its box
};

// The style of `widget`; the defaults for anything else. Never throws.
WidgetStyle widgetStyle(const Annotation& widget);

} // namespace pdf
