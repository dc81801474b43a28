#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

// Small pure rules of the main window, kept apart so they are tested without a window.
class QComboBox;
class QWidget;

namespace vantoro {

// Enter in the Directory field: the typed text with a '/' added, cut back one character at a
// time until it names an existing directory ("/" when nothing is left); the result always ends
// with '/', so file names can be appended to it.
std::string CutBackToDirectory(const std::string& strTyped,
                               const std::function<bool(const std::string&)>& isDirectory);

// A typed folder made absolute against the current directory, as the file search used it;
// an absolute or empty text is left as it is.
std::string AbsoluteFolderText(const std::string& strTyped);

// Where a window's frame goes on a screen: where it is when it already lies wholly inside the
// available area; else centred in it where it fits, and where it does not, at its top left edge,
// so the title bar can always be seen and grabbed.
QPoint WindowOriginOnScreen(const QRect& frame, const QRect& available);

// A file-open filter of "description|pattern|...||" pairs in the form Qt's file dialog takes.
// "*.*" becomes "*" (names need no dot here); a description that already ends with its
// pattern in brackets is not given the pattern twice.
QString FileDialogFilter(const std::string& strFilter);

// The code file a person picks in Qt's own file dialog, starting in strFolder and showing the
// names strFilter (from FileDialogFilter) allows; empty when they picked none.
QString AskForCodeFile(QWidget* pParent, const QString& strFolder, const QString& strFilter);

// The whole text of pBox's entry as its tooltip when the box has to cut it, else no tooltip.
void ShowCutTextAsTip(QComboBox* pBox);

// "Com %d - %s", or "Com %d" without a friendly name.
QString ComPortEntryText(int nPort, const std::string& strFriendlyName);

// Where the program icon is drawn in a minimised window's client area.
QPoint IconOrigin(const QSize& client, const QSize& icon);

} // namespace vantoro
