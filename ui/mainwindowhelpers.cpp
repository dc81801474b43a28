#include "ui/mainwindowhelpers.h"

#include <filesystem>

#include <QComboBox>
#include <QFileDialog>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "session/ccomportlist.h"

namespace vantoro {

std::string CutBackToDirectory(const std::string& strTyped,
                               const std::function<bool(const std::string&)>& isDirectory) {
    std::string strText = strTyped;
    if (strText.empty())
        return "/";
    if (strText.back() != '/')
        strText += '/';
    while (!isDirectory(strText)) {
        strText.pop_back();
        if (strText.empty())
            return "/";
    }
    // "/tmpx" cut back to "/tmp" is a directory too, but without its separator every file name
    // appended later would run into the folder's name.
    if (strText.back() != '/')
        strText += '/';
    return strText;
}

QString FileDialogFilter(const std::string& strFilter) {
    const QStringList parts = QString::fromStdString(strFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& strDescription = parts[i];
        QString strPattern = parts[i + 1];
        if (strDescription.isEmpty() && strPattern.isEmpty())
            break;
        if (strPattern == QLatin1String("*.*"))
            strPattern = QStringLiteral("*");
        strPattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString strEntry = strDescription;
        if (!strDescription.endsWith(QLatin1Char('(') + parts[i + 1] + QLatin1Char(')')))
            strEntry += QStringLiteral(" (") + strPattern + QLatin1Char(')');
        else if (strPattern != parts[i + 1])
            strEntry = strDescription.left(strDescription.size() - parts[i + 1].size() - 1) +
                       strPattern + QLatin1Char(')');
        filters.append(strEntry);
    }
    return filters.join(QStringLiteral(";;"));
}

QString ComPortEntryText(int nPort, const std::string& strFriendlyName) {
    return QString::fromStdString(CComPortList::EntryText(nPort, strFriendlyName));
}

QPoint IconOrigin(const QSize& client, const QSize& icon) {
    return QPoint((client.width() - icon.width() + 1) / 2,
                  (client.height() - icon.height() + 1) / 2);
}

std::string AbsoluteFolderText(const std::string& strTyped) {
    if (strTyped.empty() || strTyped[0] == '/')
        return strTyped;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(strTyped, error);
    return error ? strTyped : absolute.lexically_normal().string();
}

QPoint WindowOriginOnScreen(const QRect& frame, const QRect& available) {
    if (available.contains(frame))
        return frame.topLeft();
    const auto place = [](int nSize, int nStart, int nRoom) {
        return nSize <= nRoom ? nStart + (nRoom - nSize) / 2 : nStart;
    };
    return QPoint(place(frame.width(), available.x(), available.width()),
                  place(frame.height(), available.y(), available.height()));
}

QString AskForCodeFile(QWidget* pParent, const QString& strFolder, const QString& strFilter) {
    QFileDialog dialog(pParent, QString(), strFolder, strFilter);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void ShowCutTextAsTip(QComboBox* pBox) {
    QStyleOptionComboBox option;
    option.initFrom(pBox);
    const int nRoom =
        pBox->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, pBox)
            .width();
    const QString strText = pBox->currentText();
    pBox->setToolTip(pBox->fontMetrics().horizontalAdvance(strText) > nRoom ? strText : QString());
}

} // namespace vantoro
