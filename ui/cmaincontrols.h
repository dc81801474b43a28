#pragma once

#include <QRect>

#include "controls/cstatusline.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vantoro {

class CAnnouncer;
class CDialogUnits;
class CFitComboBox;
class CLogEdit;
class CPercentBar;

// Every control of the main window, created at its template place on the client widget and
// tagged with its resource ID; the window itself only wires them.
class CMainControls {
public:
    static constexpr int kIdLogBox = 1001;
    static constexpr int kIdSoftware = 1002;
    static constexpr int kIdFileButton = 1003;
    static constexpr int kIdComPort = 1004;
    static constexpr int kIdStatus = 1008;
    static constexpr int kIdStart = 1010;
    static constexpr int kIdProduct = 1014;
    static constexpr int kIdModel = 1016;
    static constexpr int kIdDirectoryButton = 1019;
    static constexpr int kIdDirectory = 1021;
    static constexpr int kIdAction = 1037;
    static constexpr int kIdCancel = 1038;
    static constexpr int kIdProgress = 1040;
    static constexpr int kIdHidden = 1044;

    // Template size of the window's client area, in dialog units.
    static constexpr int kWidthUnits = 348;
    static constexpr int kHeightUnits = 286;

    CMainControls(QWidget* pClient, const CDialogUnits& units);

    CFitComboBox* pProduct;
    CFitComboBox* pModel;
    QLineEdit* pDirectory;
    QPushButton* pDirectoryButton;
    QComboBox* pSoftware;
    QPushButton* pFileButton;
    QComboBox* pComPort;
    QWidget* pStatusBar; // holds the Status and Action lines and the notices
    CStatusLine* pStatus;
    CStatusLine* pAction;
    CAnnouncer* pAnnouncer;
    CPercentBar* pProgress;
    QPushButton* pStart;
    QPushButton* pCancel;
    QPushButton* pHidden;
    CLogEdit* pLogBox;

    // The seven controls that an update disables, in the engine's order.
    QWidget* SelectionControl(int nIndex) const;
    static constexpr int kSelectionControlCount = 7;

private:
    // What a screen reader says for each control: its label's text, a description where the
    // label alone says too little, and nothing for the focus's parking place.
    void NameForAccessibility(QLabel* const* labels, QWidget* const* fields, int nCount);
    QLabel* PlaceLabel(const char* pszText, int x, int y, int cx);
    // The label keeps its place across, and takes its field's band down, so that both texts
    // share one line whatever the heights the style gives the fields.
    static void AlignLabelWith(QLabel* pLabel, const QWidget* pField);
    void Place(QWidget* pControl, int nId, int x, int y, int cx, int cy, QWidget* pGroup = nullptr);
    // A drop-down list whose template height includes its list: the field keeps its natural
    // height and the list shows as many entries as the rest of the template height holds.
    void PlaceDropDown(QComboBox* pCombo, int nId, int x, int y, int cx, int cy);

    QWidget* m_pClient;
    const CDialogUnits& m_units;
};

} // namespace vantoro
