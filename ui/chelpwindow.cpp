#include "ui/chelpwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantoro {

CHelpWindow::CHelpWindow(QWidget* pParent)
    : QWidget(pParent, Qt::Window), m_pBrowser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Vantoro Help"));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pBrowser);
    m_pBrowser->setOpenExternalLinks(true);
    // A caret the arrow keys move, so that a screen reader reads the guide line by line (and
    // all of it on request) instead of as one block when the window opens.
    m_pBrowser->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    m_pBrowser->setAccessibleName(QStringLiteral("User guide"));
    // Keys typed at the guide scroll it; the page is the focus, not a surrounding frame.
    setFocusProxy(m_pBrowser);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* pShortcut = new QShortcut(keys, this);
        connect(pShortcut, &QShortcut::activated, this, &QWidget::close);
    }
    resize(560, 620);
}

bool CHelpWindow::OpenFile(const QString& strPath) {
    m_strPath = strPath;
    QFile file(strPath);
    const bool bOpened = QFileInfo(strPath).isFile() && file.open(QIODevice::ReadOnly);
    if (bOpened) {
        const QString strText = QString::fromUtf8(file.readAll());
        m_pBrowser->setSearchPaths({QFileInfo(strPath).absolutePath()});
        if (Qt::mightBeRichText(strText))
            m_pBrowser->setHtml(strText);
        else
            m_pBrowser->setPlainText(strText);
    } else {
        const QString strReason =
            QFileInfo::exists(strPath) ? file.errorString() : QStringLiteral("it does not exist");
        m_pBrowser->setPlainText(MissingFileMessage(strPath, strReason));
    }
    if (isMinimized())
        showNormal();
    if (!isVisible()) {
        // On a small screen the guide still fits, title bar included.
        const QRect available = screen()->availableGeometry();
        resize(qMin(width(), available.width()), qMin(height(), available.height() * 3 / 4));
    }
    show();
    raise();
    activateWindow();
    m_pBrowser->setFocus(Qt::ActiveWindowFocusReason);
    return bOpened;
}

void CHelpWindow::Quit() {
    close();
}

QString CHelpWindow::ShownText() const {
    return m_pBrowser->toPlainText();
}

QString CHelpWindow::MissingFileMessage(const QString& strPath, const QString& strReason) {
    return QStringLiteral("The help file %1 could not be opened: %2.").arg(strPath, strReason);
}

} // namespace vantoro
