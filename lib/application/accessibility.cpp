#include "lib/application/accessibility.h"

#include <QAccessibleWidget>
#include <QFocusFrame>
#include <QMenu>
#include <QMessageBox>

namespace {

class ShownChildren : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const QWidgetList children = shown();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        return int(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    // The children Qt lists, less those that are hidden.
    QWidgetList shown() const {
        QWidgetList list;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden() && !qobject_cast<QFocusFrame*>(w) &&
                !qobject_cast<QMenu*>(w) && w->objectName() != QLatin1String("qt_rubberband"))
                list.append(w);
        }
        return list;
    }
};

// Reads as Qt's own message box does: the title as its name, the text as its value.
class ShownMessageBox : public ShownChildren {
public:
    explicit ShownMessageBox(QMessageBox* box) : ShownChildren(box, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override {
        const auto* box = static_cast<const QMessageBox*>(widget());
        switch (t) {
        case QAccessible::Name: {
            const QString name = ShownChildren::text(t);
            return name.isEmpty() ? box->windowTitle() : name;
        }
        case QAccessible::Value:
            return QString(box->text()).remove(QChar(0x200B)); // the breaks a long path got
        case QAccessible::Help:
            return box->informativeText();
        default:
            return ShownChildren::text(t);
        }
    }
};

// Asked before Qt's own factory for each class from the most derived up, so it takes over only
// where Qt would have used its generic interface.
QAccessibleInterface* shownOnlyFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("QMessageBox"))
        return new ShownMessageBox(static_cast<QMessageBox*>(widget));
    if (className == QLatin1String("QDialog"))
        return new ShownChildren(widget, QAccessible::Dialog);
    if (className == QLatin1String("QWidget"))
        return new ShownChildren(widget);
    return nullptr;
}

} // namespace

void listOnlyShownControls() {
    static const bool installed = [] {
        QAccessible::installFactory(shownOnlyFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
