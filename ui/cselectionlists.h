#pragma once

#include <QObject>
#include <QString>
#include <initializer_list>
#include <vector>

class QComboBox;
class QKeyEvent;
class QWidget;

namespace vantoro {

// The window's drop-down lists (Product, Model, Software, Com Port) as the keyboard and a
// screen reader meet them. Enter drops a closed list down; Escape closes an open list, which
// keeps the choice it had when it opened, and goes no further (it never closes the window).
// A choice changed by the arrow keys on a closed list is reported, since the list's name does
// not change with it and a reader would say nothing.
class CSelectionLists : public QObject {
    Q_OBJECT
public:
    CSelectionLists(std::initializer_list<QComboBox*> lists, QObject* pParent);

    // The list pWidget is, or belongs to (the list's dropped-down popup); none otherwise.
    QComboBox* ListOwning(QWidget* pWidget) const;
    // Escape on pWidget: the open list it belongs to closes, keeping its choice.
    void CloseOpenList(QWidget* pWidget) const;
    // Enter on pWidget: a closed list drops down (true); an open list's popup takes the key
    // itself (false), as does anything that is no list.
    bool OpenOnEnter(QWidget* pWidget) const;
    // Keys that drop a closed list down.
    static bool OpensList(const QKeyEvent& key);

signals:
    // A key chose strText on a closed list.
    void ChosenByKey(const QString& strText);

private:
    std::vector<QComboBox*> m_lists;
};

} // namespace vantoro
