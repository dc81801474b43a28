#include "ui/cfilecheckdlg.h"

#include <QFileInfo>
#include <QPushButton>

namespace vantoro {

namespace {

QString QuestionText(const std::string& strPath, const CFileVerdict& verdict) {
    const QString strName = QFileInfo(QString::fromStdString(strPath)).fileName();
    QString strText =
        QStringLiteral("%1 is not a software file this equipment can take.\n\n").arg(strName);
    if (!verdict.errors.empty())
        strText += QString::fromStdString(verdict.errors.front().ToText()) + QStringLiteral("\n");
    if (verdict.nErrors > 1)
        strText += QStringLiteral("(%1 errors in all)\n").arg(verdict.nErrors);
    strText += QStringLiteral("\nThe equipment erases its software before it takes the first "
                              "record. Sending this file may leave it without working software "
                              "until the right file is sent.");
    return strText;
}

} // namespace

CFileCheckDlg::CFileCheckDlg(const std::string& strPath, const CFileVerdict& verdict,
                             QWidget* pParent)
    : QMessageBox(pParent) {
    setObjectName(QStringLiteral("fileCheckDlg"));
    setWindowTitle(QStringLiteral("Code File Check"));
    setIcon(QMessageBox::Warning);
    setText(QuestionText(strPath, verdict));
    setDetailedText(QString());
    QPushButton* pCancel = addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    m_pUpdateAnyway = addButton(QStringLiteral("Update Anyway"), QMessageBox::AcceptRole);
    setDefaultButton(pCancel);
    setEscapeButton(pCancel); // Escape and the close box
}

bool CFileCheckDlg::Ask() {
    exec();
    return clickedButton() == m_pUpdateAnyway;
}

} // namespace vantoro
