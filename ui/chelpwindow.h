#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vantoro {

// The program's own help viewer: one window showing the user guide (HTML or plain text), or
// a message naming the guide when it cannot be read. It can be told to quit.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* pParent = nullptr);

    // Loads strPath and brings the window to the front; false when the file could not be read
    // (the window then shows which file is missing and why).
    bool OpenFile(const QString& strPath);
    // Closes the window, as the main window asks when it goes away.
    void Quit();

    QString FilePath() const { return m_strPath; }
    // The text on show, for checks.
    QString ShownText() const;

    // "The help file ... could not be opened" with the path and the system's reason.
    static QString MissingFileMessage(const QString& strPath, const QString& strReason);

private:
    QTextBrowser* m_pBrowser;
    QString m_strPath;
};

} // namespace vantoro
