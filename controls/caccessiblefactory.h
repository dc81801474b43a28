#pragma once

#include <QAccessible>

class QObject;
class QString;
class QWidget;

namespace vantoro {

// Gives the program's own controls their accessibility interfaces: the painted progress bar,
// the status lines, the drop-down lists named by their labels, and nothing at all for a widget
// that only exists to hold the focus out of sight.
class CAccessibleFactory {
public:
    // Installs the factory once per process; later calls do nothing.
    static void Install();

    // Keeps pWidget out of the accessibility tree: its parent does not list it and it has no
    // name, role or action of its own.
    static void Hide(QWidget* pWidget);
    static bool IsHidden(const QWidget* pWidget);

    // Presents pWidget, a window or a plain widget holding others, in the given role: the main
    // window as a frame (readers look for a status bar in frames only), a group of status lines
    // as a status bar.
    static void PresentAs(QWidget* pWidget, QAccessible::Role role);

    // Makes pWidget's interface again, for a widget whose name or kind was settled after Qt
    // may already have made one.
    static void Renew(QWidget* pWidget);

private:
    static QAccessibleInterface* Create(const QString& strClassName, QObject* pObject);
};

} // namespace vantoro
