#include "utilities/FormFieldService.h"

#include <QStringList>

#include <optional>

QString FormField::fieldType() const {
    return FormFieldService::fieldTypeName(annotation ? annotation->widgetFieldType()
                                                      : pdf::WidgetFieldType::Text);
}

QString FormField::displayName() const {
    const QString name = annotation ? annotation->fieldName() : QString();
    return name.isEmpty() ? QStringLiteral("Field") : name;
}

QString FormField::locationLine() const {
    return QStringLiteral("Page %1 \u2022 %2").arg(pageIndex + 1).arg(fieldType());
}

bool FormFieldService::isFillable(pdf::WidgetFieldType type) {
    return type == pdf::WidgetFieldType::Text || type == pdf::WidgetFieldType::Button ||
           type == pdf::WidgetFieldType::Choice;
}

QString FormFieldService::fieldTypeName(pdf::WidgetFieldType type) {
    switch (type) {
    case pdf::WidgetFieldType::Button:
        return QStringLiteral("Button");
    case pdf::WidgetFieldType::Choice:
        return QStringLiteral("Choice");
    default:
        return QStringLiteral("Text");
    }
}

std::vector<FormField> FormFieldService::detectFormFields(const pdf::Document& document) {
    std::vector<FormField> fields;
    const int count = document.pageCount();
    for (int index = 0; index < count; ++index) {
        const pdf::PagePtr page = document.page(index);
        if (!page)
            continue;
        for (const pdf::AnnotationPtr& annotation : page->annotations()) {
            if (!isFillable(annotation->widgetFieldType()))
                continue;
            fields.push_back(
                {QUuid::createUuid(), annotation, page, index, annotation->widgetStringValue()});
        }
    }
    return fields;
}

QString FormFieldService::displayValue(const FormField& field) {
    const auto& a = field.annotation;
    if (!a || a->widgetFieldType() != pdf::WidgetFieldType::Button)
        return field.value;
    const QString state = a->buttonWidgetState() ? QStringLiteral("on") : QStringLiteral("off");
    if (a->isRadioButton())
        return QStringLiteral("%1 (%2)").arg(state, a->buttonOnStateName());
    return state;
}

namespace {

std::optional<bool> parseSwitch(const QString& value, const QString& onName) {
    static const QStringList on = {"on", "yes", "true", "1"};
    static const QStringList off = {"off", "no", "false", "0"};
    if (on.contains(value, Qt::CaseInsensitive) ||
        (!onName.isEmpty() && value.compare(onName, Qt::CaseInsensitive) == 0))
        return true;
    if (off.contains(value, Qt::CaseInsensitive))
        return false;
    return std::nullopt;
}

std::string message(const QString& text) {
    return text.toStdString();
}

} // namespace

void FormFieldService::fill(const pdf::Document& document, const QString& name,
                            const QString& value) {
    std::vector<pdf::AnnotationPtr> widgets;
    bool signature = false;
    for (int index = 0; index < document.pageCount(); ++index) {
        const pdf::PagePtr page = document.page(index);
        if (!page)
            continue;
        for (const pdf::AnnotationPtr& annotation : page->annotations()) {
            if (!annotation->isWidget() || annotation->fieldName() != name)
                continue;
            if (annotation->widgetFieldType() == pdf::WidgetFieldType::Signature)
                signature = true;
            else if (isFillable(annotation->widgetFieldType()))
                widgets.push_back(annotation);
        }
    }
    if (widgets.empty()) {
        if (signature)
            throw FillError(message(QStringLiteral("%1 is a signature field").arg(name)));
        throw FillError(message(QStringLiteral("there is no field named %1").arg(name)));
    }

    const pdf::AnnotationPtr& first = widgets.front();
    switch (first->widgetFieldType()) {
    case pdf::WidgetFieldType::Choice: {
        const QStringList options = first->choiceOptions();
        if (!options.isEmpty() && !options.contains(value))
            throw FillError(message(QStringLiteral("%1 takes one of: %2")
                                        .arg(name, options.join(QStringLiteral(", ")))));
        [[fallthrough]];
    }
    case pdf::WidgetFieldType::Text:
        // Every widget of the field shows the value, so each one gets its appearance redone.
        for (const auto& widget : widgets)
            if (!widget->setWidgetStringValue(value))
                throw FillError(message(QStringLiteral("%1 does not accept this value").arg(name)));
        return;
    case pdf::WidgetFieldType::Button:
        break;
    default:
        throw FillError(message(QStringLiteral("%1 cannot be filled").arg(name)));
    }

    if (first->isRadioButton()) {
        QStringList optionNames;
        for (const auto& widget : widgets) {
            const QString option = widget->buttonOnStateName();
            optionNames << option;
            if (option == value) {
                widget->setButtonWidgetState(true);
                return;
            }
        }
        optionNames.removeDuplicates();
        throw FillError(message(QStringLiteral("%1 takes one of: %2")
                                    .arg(name, optionNames.join(QStringLiteral(", ")))));
    }
    if (first->isCheckBox()) {
        const auto on = parseSwitch(value, first->buttonOnStateName());
        if (!on)
            throw FillError(message(QStringLiteral("%1 is a check box: use on or off").arg(name)));
        for (const auto& widget : widgets)
            widget->setButtonWidgetState(*on);
        return;
    }
    throw FillError(message(QStringLiteral("%1 is a push button; it holds no value").arg(name)));
}
