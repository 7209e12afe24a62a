#pragma once
// An annotation (or form widget) on a page. Calls on an annotation whose page was
// detached, or which was removed, do nothing and return empty values.
#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>

namespace pdf {

class Page;
struct AnnotationData;

enum class WidgetFieldType { None, Text, Button, Choice, Signature, Other };

class Annotation {
public:
    ~Annotation();
    Annotation(const Annotation&) = delete;
    Annotation& operator=(const Annotation&) = delete;

    std::shared_ptr<Page> page() const;
    bool isValid() const;

    QString subtype() const; // PDF subtype name: "Highlight", "FreeText", "Stamp", "Widget", ...
    QRectF bounds() const;
    void setBounds(const QRectF& rect);
    QColor color() const; // with the annotation's opacity as alpha
    void setColor(const QColor& color);
    QString contents() const;
    void setContents(const QString& text);

    // Free text only.
    double fontSize() const;
    QColor fontColor() const;

    // Form widgets.
    bool isWidget() const;
    WidgetFieldType widgetFieldType() const;
    QString fieldName() const; // fully qualified; empty when the field has none
    QString widgetStringValue() const;
    bool setWidgetStringValue(const QString& value);
    bool buttonWidgetState() const; // on = true
    void setButtonWidgetState(bool on);
    bool isCheckBox() const;
    bool isRadioButton() const;
    // The name of the state a check box or radio button shows when on ("Yes", or a radio
    // button's option); empty for other widgets.
    QString buttonOnStateName() const;
    QStringList choiceOptions() const;

    // Internal to the PDF layer.
    AnnotationData& data() const { return *d_; }
    explicit Annotation(std::unique_ptr<AnnotationData> d);

private:
    std::unique_ptr<AnnotationData> d_;
};

using AnnotationPtr = std::shared_ptr<Annotation>;

} // namespace pdf
