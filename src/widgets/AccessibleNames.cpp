#include "widgets/AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

QString plain(QString text) {
    return text.remove(QLatin1Char('&')).trimmed();
}

class Namer : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            AccessibleNames::name(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void AccessibleNames::name(QWidget* widget) {
    if (!widget || !widget->accessibleName().isEmpty())
        return;
    QString name;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (!plain(button->text()).isEmpty())
            return; // the button's own text is its name
        if (auto* tool = qobject_cast<QToolButton*>(widget); tool && tool->defaultAction())
            name = plain(tool->defaultAction()->text());
        if (name.isEmpty())
            name = widget->toolTip();
    } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        name = field->placeholderText();
        if (name.isEmpty())
            name = widget->toolTip();
    } else if (qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget)) {
        name = widget->toolTip();
    }
    if (!name.isEmpty())
        widget->setAccessibleName(plain(name));
}

void AccessibleNames::install() {
    static Namer* namer = [] {
        auto* n = new Namer(qApp);
        qApp->installEventFilter(n);
        return n;
    }();
    (void)namer;
}
