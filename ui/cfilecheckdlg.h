#pragma once

#include <QMessageBox>

#include "srecord/cfileverdict.h"

#include <string>

namespace vantoro {

// The question asked at Start when the chosen file fails the file check: it names the file, the
// first error with its line, and what sending it may do. "Cancel" is the default and what Escape
// and the close box mean; "Update Anyway" sends the file as it is.
class CFileCheckDlg : public QMessageBox {
    Q_OBJECT
public:
    CFileCheckDlg(const std::string& strPath, const CFileVerdict& verdict,
                  QWidget* pParent = nullptr);

    // True when "Update Anyway" was chosen.
    bool Ask();

private:
    QPushButton* m_pUpdateAnyway = nullptr;
};

} // namespace vantoro
