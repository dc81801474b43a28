#include "ui/ccompleteupdatedlg.h"

#include <QLabel>
#include <QPushButton>

namespace vantoro {

namespace {

QLabel* WrappedLabel(const char* pszText) {
    auto* pLabel = new QLabel(QString::fromLatin1(pszText));
    pLabel->setWordWrap(true);
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return pLabel;
}

} // namespace

CCompleteUpdateDlg::CCompleteUpdateDlg(QWidget* pParent, UpdateState nAsked)
    : CTemplateDialog(pParent, QStringLiteral("Complete the Update ?"), 186, 119),
      m_nAsked(nAsked) {
    setObjectName(QStringLiteral("completeUpdateDlg"));
    PlaceControl(WrappedLabel("Warning !"), 0, 11, 13, 51, 14);
    PlaceControl(WrappedLabel("A Code Update is in Progress."), 0, 11, 31, 104, 12);
    PlaceControl(WrappedLabel("Stopping the Update may leave the hardware being updated unusable."),
                 0, 11, 47, 95, 33);
    PlaceControl(WrappedLabel("Would you Like to Complete the Update ?"), 0, 11, 82, 106, 19);

    auto* pNo = new QPushButton(QStringLiteral("No"));
    PlaceControl(pNo, 2, 129, 76, 50, 14);
    auto* pYes = new QPushButton(QStringLiteral("Yes"));
    PlaceControl(pYes, 1, 129, 98, 50, 14);
    pYes->setDefault(true);
    pYes->setFocus();
    connect(pYes, &QPushButton::clicked, this, &CCompleteUpdateDlg::accept);
    connect(pNo, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

void CCompleteUpdateDlg::reject() {
    accept();
}

void CCompleteUpdateDlg::FollowUpdate(UpdateState nState) {
    if (nState != m_nAsked && nState != WaitForAckProgramFlash && nState != WaitReply)
        accept();
}

} // namespace vantoro
