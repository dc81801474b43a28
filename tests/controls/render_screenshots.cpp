// Renders the custom controls off screen into the pictures of the documentation:
//     vantoro_control_screenshots <output folder>
// writes percentbar.png, fitcombobox.png and dirchooser.png there.
#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "controls/cfitcombobox.h"
#include "controls/cpercentbar.h"
#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/idrivesource.h"
#include "dirchooser/inetworksource.h"

using namespace vantoro;

namespace {

// A small office network for the picture; its one share is mounted at a real folder.
class CSampleNetwork : public INetworkSource {
public:
    explicit CSampleNetwork(std::string strMount) : m_strMount(std::move(strMount)) {}
    bool EnumerateNetwork(const SNetResource* pContainer,
                          std::vector<SNetResource>& entries) override {
        auto add = [&](int nType, const char* pszRemote, const std::string& strLocal = {}) {
            SNetResource r;
            r.nDisplayType = nType;
            r.strRemoteName = pszRemote;
            r.strLocalName = strLocal;
            entries.push_back(r);
        };
        if (!pContainer) {
            add(NetDisplayServer, "//fileserver");
            add(NetDisplayServer, "//NAS01");
        } else if (pContainer->strRemoteName == "//fileserver") {
            add(NetDisplayShare, "//fileserver/firmware", m_strMount);
            add(NetDisplayShare, "//fileserver/public", m_strMount);
        }
        return true;
    }

private:
    std::string m_strMount;
};

// The drives of a typical desktop, so the picture does not show the build machine's mounts.
class CSampleDrives : public IDriveSource {
public:
    std::vector<SDriveEntry> ListDrives() override {
        return {{"/", DriveFixed},
                {"/home/ann", DriveFixed},
                {"/media/ann/USB STICK", DriveRemovable},
                {"/media/ann/FIRMWARE_CD", DriveCdrom}};
    }
};

bool Save(const QImage& image, const std::string& strFolder, const char* pszName) {
    const std::string strPath = strFolder + "/" + pszName;
    if (!image.save(QString::fromStdString(strPath))) {
        std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
        return false;
    }
    std::printf("%s\n", strPath.c_str());
    return true;
}

QImage PercentBars() {
    QWidget window;
    window.setWindowTitle("CPercentBar");
    auto* pLayout = new QVBoxLayout(&window);
    struct SBar {
        int nPos;
        const char* pszText;
        bool bShowText;
    };
    for (const SBar& b :
         {SBar{0, "Idle", true}, SBar{37, nullptr, true}, SBar{50, nullptr, true},
          SBar{57, "57 %", true}, SBar{100, "Update Complete", true}, SBar{70, nullptr, false}}) {
        auto* pBar = new CPercentBar(&window);
        pBar->setFixedSize(320, 22);
        pBar->SetPos(b.nPos);
        if (b.pszText)
            pBar->SetText(b.pszText);
        pBar->SetShowText(b.bShowText);
        pLayout->addWidget(pBar);
    }
    window.adjustSize();
    window.show();
    QApplication::processEvents();
    return window.grab().toImage();
}

QImage FitComboBox() {
    QWidget window;
    window.resize(300, 60);
    auto* pCombo = new CFitComboBox(&window);
    pCombo->setGeometry(10, 10, 220, pCombo->sizeHint().height());
    for (const char* psz :
         {"duKan S", "duKan M", "duKan MP", "duKan L", "duKan XL", "duKan XXL", "Celto",
          "Brava Series Dimmers", "ZRL", "Celto 24", "Celto 48", "Brava Relay"})
        pCombo->addItem(psz);
    window.show();
    QApplication::processEvents();
    pCombo->showPopup();
    QApplication::processEvents();
    QWidget* pPopup = pCombo->view()->window();
    const QPoint ptPopup = pPopup->mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0));
    const QRect rcAll = window.rect().united(QRect(ptPopup, pPopup->size())).adjusted(0, 0, 10, 10);
    QImage image(rcAll.size(), QImage::Format_ARGB32);
    image.fill(window.palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.drawPixmap(0, 0, window.grab());
    painter.drawPixmap(ptPopup, pPopup->grab());
    painter.end();
    pCombo->hidePopup();
    return image;
}

QImage DirChooser() {
    const std::filesystem::path mount = std::filesystem::temp_directory_path() / "vantoro-shot";
    for (const char* psz : {"Brava", "Celto", "DUKAN", "old"})
        std::filesystem::create_directories(mount / psz);
    CSampleDrives drives;
    CSampleNetwork network(mount.string());
    CDirChooserDlg dlg("//fileserver/firmware/dukan", &drives, &network);
    dlg.show();
    QApplication::processEvents();
    const QImage image = dlg.grab().toImage();
    dlg.reject();
    std::error_code ec;
    std::filesystem::remove_all(mount, ec);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_SCALE_FACTOR", "1", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string strFolder = argv[1];
    const bool bOk = Save(PercentBars(), strFolder, "percentbar.png") &&
                     Save(FitComboBox(), strFolder, "fitcombobox.png") &&
                     Save(DirChooser(), strFolder, "dirchooser.png");
    return bOk ? 0 : 1;
}
