#include "app/Controls.h"

#include <QAction>
#include <QVariant>
#include <QWidget>

namespace vimo {

namespace {
constexpr const char* kIdProperty = "controlId";
}

void setControlId(QObject* control, int id)
{
    control->setObjectName(QString::number(id));
    control->setProperty(kIdProperty, id);
}

int controlId(const QObject* control)
{
    return control->property(kIdProperty).toInt();
}

QWidget* findControl(const QWidget* dialog, int id)
{
    const auto found = dialog->findChildren<QWidget*>(QString::number(id));
    for (QWidget* widget : found) {
        if (controlId(widget) == id) {
            return widget;
        }
    }
    return nullptr;
}

QAction* findCommand(const QWidget* dialog, int id)
{
    const auto found = dialog->findChildren<QAction*>(QString::number(id));
    for (QAction* action : found) {
        if (controlId(action) == id) {
            return action;
        }
    }
    return nullptr;
}

} // namespace vimo
