#pragma once

class QAction;
class QObject;
class QWidget;

namespace vimo {

// Gives a control (or a command's action) its numeric identifier.
void setControlId(QObject* control, int id);
// The numeric identifier of a control; 0 when it has none.
int controlId(const QObject* control);
// The control of `dialog` carrying identifier `id`; nullptr when there is none.
QWidget* findControl(const QWidget* dialog, int id);
// The command action of `dialog` carrying identifier `id`; nullptr when there is none.
QAction* findCommand(const QWidget* dialog, int id);

template <typename T> T* findControlAs(const QWidget* dialog, int id)
{
    return qobject_cast<T*>(findControl(dialog, id));
}

} // namespace vimo
