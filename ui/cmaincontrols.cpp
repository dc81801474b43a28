#include "ui/cmaincontrols.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>

#include "controls/caccessiblefactory.h"
#include "controls/cannouncer.h"
#include "controls/cfitcombobox.h"
#include "controls/cpercentbar.h"
#include "controls/cstatusline.h"
#include "ui/cdialogunits.h"
#include "ui/clogedit.h"
#include "ui/ctemplatedialog.h"

namespace vantoro {

namespace {

QLabel* PlainLabel(const QString& strText) {
    auto* pLabel = new QLabel(strText);
    // Finished texts: "&", "%" and "<" are shown as they are.
    pLabel->setTextFormat(Qt::PlainText);
    return pLabel;
}

// A list is named as soon as it is made: its accessibility interface depends on its name.
template <class TList> TList* NewList(const char* pszName) {
    auto* pList = new TList;
    pList->setAccessibleName(QString::fromLatin1(pszName));
    CAccessibleFactory::Renew(pList);
    return pList;
}

} // namespace

CMainControls::CMainControls(QWidget* pClient, const CDialogUnits& units)
    : m_pClient(pClient), m_units(units) {
    CAccessibleFactory::Install();
    QLabel* labels[] = {PlaceLabel("Product", 7, 10, 40),   PlaceLabel("Model", 7, 30, 40),
                        PlaceLabel("Directory", 7, 49, 40), PlaceLabel("Software", 7, 72, 40),
                        PlaceLabel("Com Port", 7, 94, 40),  PlaceLabel("Status :", 7, 113, 40),
                        PlaceLabel("Action :", 7, 132, 40)};
    QLabel* pProgressLabel = PlaceLabel("Progress", 166, 146, 40);

    pProduct = NewList<CFitComboBox>("Product");
    PlaceDropDown(pProduct, kIdProduct, 53, 7, 161, 15);
    pModel = NewList<CFitComboBox>("Model");
    PlaceDropDown(pModel, kIdModel, 53, 26, 162, 13);
    pDirectory = new QLineEdit;
    Place(pDirectory, kIdDirectory, 53, 47, 223, 15);
    pDirectoryButton = new QPushButton(QStringLiteral("Directory..."));
    Place(pDirectoryButton, kIdDirectoryButton, 288, 48, 53, 14);
    pSoftware = NewList<QComboBox>("Software");
    PlaceDropDown(pSoftware, kIdSoftware, 53, 68, 223, 49);
    pFileButton = new QPushButton(QStringLiteral("File..."));
    Place(pFileButton, kIdFileButton, 288, 66, 53, 14);
    pComPort = NewList<QComboBox>("Com Port");
    PlaceDropDown(pComPort, kIdComPort, 53, 90, 162, 79);
    // The Status and Action lines are the window's status bar, and its notices speak from
    // there: a reader's "read status bar" finds both lines, and says a notice without a role.
    pStatusBar = new QWidget(m_pClient);
    pStatusBar->setGeometry(m_units.ToPixels(53, 113, 288, 27));
    CAccessibleFactory::PresentAs(pStatusBar, QAccessible::StatusBar);
    pStatus = new CStatusLine(QStringLiteral("Status"), QStringLiteral("This is the Status"));
    Place(pStatus, kIdStatus, 53, 113, 288, 11, pStatusBar);
    pAction = new CStatusLine(QStringLiteral("Action"), QStringLiteral("This is the Action"));
    Place(pAction, kIdAction, 53, 131, 288, 9, pStatusBar);
    pAnnouncer = new CAnnouncer(pStatusBar);
    pProgress = new CPercentBar;
    Place(pProgress, kIdProgress, 74, 156, 200, 13);
    pProgress->SetText(QStringLiteral("Progress1"));
    // Disabled for input only: a disabled widget would also be painted greyed out.
    pProgress->setAttribute(Qt::WA_TransparentForMouseEvents);
    pProgress->setFocusPolicy(Qt::NoFocus);
    pStart = new QPushButton(QStringLiteral("&Start"));
    Place(pStart, kIdStart, 112, 180, 53, 16);
    pStart->setEnabled(false);
    pCancel = new QPushButton(QStringLiteral("&Cancel"));
    Place(pCancel, kIdCancel, 181, 180, 53, 16);
    pCancel->setEnabled(false);
    // The parking place for the focus while records go out: it must be able to hold the focus,
    // so it stays "shown" but occupies no pixels. Tab, Shift+Tab and clicks never reach it, and
    // the window swallows the keys that would press it.
    pHidden = new QPushButton(QStringLiteral("Hidden"));
    Place(pHidden, kIdHidden, 15, 177, 28, 12);
    pHidden->setGeometry(pHidden->x(), pHidden->y(), 0, 0);
    pHidden->setFlat(true);
    pHidden->setFocusPolicy(Qt::NoFocus);
    CAccessibleFactory::Hide(pHidden);
    pLogBox = new CLogEdit;
    Place(pLogBox, kIdLogBox, 7, 203, 334, 76);
    QWidget* fields[] = {pProduct, pModel, pDirectory, pSoftware, pComPort, pStatus, pAction};
    for (std::size_t i = 0; i < std::size(labels); ++i)
        AlignLabelWith(labels[i], fields[i]);
    NameForAccessibility(labels, fields, static_cast<int>(std::size(labels)));
    pProgressLabel->setBuddy(pProgress);

    // No button is ever the default: a focused button would otherwise become one and be
    // pressed by Enter typed anywhere else (the log box, for one). The window presses the
    // focused button on Enter itself.
    for (QPushButton* pButton : {pDirectoryButton, pFileButton, pStart, pCancel, pHidden})
        pButton->setAutoDefault(false);
    // Tab order of the template, and the log box last when it is shown.
    QWidget* order[] = {pProduct,    pModel,   pDirectory, pDirectoryButton, pSoftware,
                        pFileButton, pComPort, pStart,     pCancel,          pLogBox};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void CMainControls::NameForAccessibility(QLabel* const* labels, QWidget* const* fields,
                                         int nCount) {
    // The label is the field's buddy, so a reader also finds which label belongs to which
    // field; the Status and Action lines carry their captions without the colon.
    for (int i = 0; i < nCount; ++i) {
        labels[i]->setBuddy(fields[i]);
        if (fields[i]->accessibleName().isEmpty())
            fields[i]->setAccessibleName(labels[i]->text());
    }
    pLogBox->setAccessibleName(QStringLiteral("Event Log"));
    pDirectory->setAccessibleDescription(
        QStringLiteral("Folder searched for software files; Enter takes a typed folder"));
    pDirectoryButton->setAccessibleDescription(QStringLiteral("Choose the folder from a tree"));
    pSoftware->setAccessibleDescription(QStringLiteral("Software files found, newest first"));
    pFileButton->setAccessibleDescription(QStringLiteral("Choose one software file"));
    pComPort->setAccessibleDescription(QStringLiteral("Serial port the equipment is connected to"));
}

QWidget* CMainControls::SelectionControl(int nIndex) const {
    QWidget* const controls[kSelectionControlCount] = {
        pSoftware, pComPort, pProduct, pModel, pFileButton, pDirectoryButton, pDirectory};
    return nIndex >= 0 && nIndex < kSelectionControlCount ? controls[nIndex] : nullptr;
}

QLabel* CMainControls::PlaceLabel(const char* pszText, int x, int y, int cx) {
    QLabel* pLabel = PlainLabel(QString::fromLatin1(pszText));
    Place(pLabel, 0, x, y, cx, 8);
    return pLabel;
}

void CMainControls::AlignLabelWith(QLabel* pLabel, const QWidget* pField) {
    const int nFieldY = pField->mapTo(pLabel->parentWidget(), QPoint(0, 0)).y();
    pLabel->setGeometry(pLabel->x(), nFieldY, pLabel->width(), pField->height());
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (auto* pText = qobject_cast<const QLabel*>(pField))
        pLabel->setAlignment(Qt::AlignLeft | (pText->alignment() & Qt::AlignVertical_Mask));
}

void CMainControls::Place(QWidget* pControl, int nId, int x, int y, int cx, int cy,
                          QWidget* pGroup) {
    // Template places are on the client; a control in a group keeps its place on the screen.
    pControl->setParent(pGroup ? pGroup : m_pClient);
    pControl->setGeometry(
        m_units.ToPixels(x, y, cx, cy)
            .translated(pGroup ? -pGroup->mapTo(m_pClient, QPoint(0, 0)) : QPoint(0, 0)));
    if (nId != 0)
        pControl->setProperty(CTemplateDialog::kControlIdProperty, nId);
}

void CMainControls::PlaceDropDown(QComboBox* pCombo, int nId, int x, int y, int cx, int cy) {
    Place(pCombo, nId, x, y, cx, cy);
    const int nTemplateHeight = pCombo->height();
    const int nFieldHeight = qMin(nTemplateHeight, pCombo->sizeHint().height());
    pCombo->setGeometry(pCombo->x(), pCombo->y(), pCombo->width(), nFieldHeight);
    const int nItemHeight = qMax(1, pCombo->fontMetrics().height() + 2);
    pCombo->setMaxVisibleItems(qMax(1, (nTemplateHeight - nFieldHeight) / nItemHeight));
}

} // namespace vantoro
