#pragma once

#include <QAccessibleWidget>
#include <QString>

namespace vantoro {

// A widget that shows one line of text it does not let anyone edit, as the accessibility
// interface sees it: the line can be read whole or in parts, but there is no caret to move and
// nothing to select. Derived classes say which text that is.
class CAccessibleTextLine : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    CAccessibleTextLine(QWidget* pWidget, QAccessible::Role role);

    // The text a person sees on the widget now.
    virtual QString ShownText() const = 0;

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    // QAccessibleTextInterface
    void selection(int nSelection, int* pStart, int* pEnd) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int nStart, int nEnd) const override;
    // The line is one line whatever the offset: a reader asking for the line (or paragraph)
    // gets all of it.
    QString textAtOffset(int nOffset, QAccessible::TextBoundaryType boundary, int* pStart,
                         int* pEnd) const override;
    int characterCount() const override { return ShownText().size(); }
    QRect characterRect(int nOffset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}
    QString attributes(int nOffset, int* pStart, int* pEnd) const override;
};

} // namespace vantoro
