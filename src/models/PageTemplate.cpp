#include "models/PageTemplate.h"

QList<PageSize> allPageSizes() {
    return {PageSize::a4, PageSize::letter, PageSize::legal, PageSize::custom};
}

QList<PageTemplate> allPageTemplates() {
    return {PageTemplate::blank, PageTemplate::lined, PageTemplate::grid, PageTemplate::dotGrid};
}

std::optional<PageSize> pageSizeFromRawValue(QStringView raw) {
    for (PageSize size : allPageSizes())
        if (raw == rawValue(size))
            return size;
    return std::nullopt;
}

std::optional<PageTemplate> pageTemplateFromRawValue(QStringView raw) {
    for (PageTemplate t : allPageTemplates())
        if (raw == rawValue(t))
            return t;
    return std::nullopt;
}

QString rawValue(PageSize size) {
    switch (size) {
    case PageSize::a4:
        return QStringLiteral("a4");
    case PageSize::letter:
        return QStringLiteral("letter");
    case PageSize::legal:
        return QStringLiteral("legal");
    case PageSize::custom:
        return QStringLiteral("custom");
    }
    return {};
}

QString rawValue(PageTemplate pageTemplate) {
    switch (pageTemplate) {
    case PageTemplate::blank:
        return QStringLiteral("blank");
    case PageTemplate::lined:
        return QStringLiteral("lined");
    case PageTemplate::grid:
        return QStringLiteral("grid");
    case PageTemplate::dotGrid:
        return QStringLiteral("dotGrid");
    }
    return {};
}

QString displayName(PageSize size) {
    switch (size) {
    case PageSize::a4:
        return QStringLiteral("A4");
    case PageSize::letter:
        return QStringLiteral("US Letter");
    case PageSize::legal:
        return QStringLiteral("US Legal");
    case PageSize::custom:
        return QStringLiteral("Custom");
    }
    return {};
}

QString displayName(PageTemplate pageTemplate) {
    switch (pageTemplate) {
    case PageTemplate::blank:
        return QStringLiteral("Blank");
    case PageTemplate::lined:
        return QStringLiteral("Lined");
    case PageTemplate::grid:
        return QStringLiteral("Grid");
    case PageTemplate::dotGrid:
        return QStringLiteral("Dot Grid");
    }
    return {};
}

QString icon(PageTemplate pageTemplate) {
    switch (pageTemplate) {
    case PageTemplate::blank:
        return QStringLiteral("doc");
    case PageTemplate::lined:
        return QStringLiteral("line.3.horizontal");
    case PageTemplate::grid:
        return QStringLiteral("grid");
    case PageTemplate::dotGrid:
        return QStringLiteral("circle.grid.3x3");
    }
    return {};
}

QSizeF fixedSize(PageSize size) {
    switch (size) {
    case PageSize::a4:
        return {595.28, 841.89};
    case PageSize::letter:
        return {612, 792};
    case PageSize::legal:
        return {612, 1008};
    case PageSize::custom:
        break;
    }
    return {612, 792};
}

QSizeF PDFPageContent::effectiveSize() const {
    if (pageSize != PageSize::custom)
        return fixedSize(pageSize);
    return {customWidth.value_or(612), customHeight.value_or(792)};
}
