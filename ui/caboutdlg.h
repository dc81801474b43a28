#pragma once

#include "ui/ctemplatedialog.h"

class QLabel;

namespace vantoro {

// "About Vantoro": the program's name, version, compile time and notice, with its pictures.
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int kIdNotice = 1022;
    static constexpr int kIdVersion = 1023;
    static constexpr int kIdCompiled = 1024;
    static constexpr int kIdBitmap = 1045;

    CAboutDlg(const QString& strVersion, const QString& strBuildDate, const QString& strBuildTime,
              const QString& strNotice, QWidget* pParent = nullptr);

    QString VersionText() const { return m_strVersionText; }
    QString CompiledText() const { return m_strCompiledText; }

private:
    QString m_strVersionText;
    QString m_strCompiledText;
};

} // namespace vantoro
