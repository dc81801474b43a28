#include "platform/testtempfolder.h"
#include "ui/cportlistwatcher.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace vantoro;
namespace fs = std::filesystem;

// The folder does not exist at first, as on a first start; links then come and go while idle.
TEST(PortListWatcher, LinksAppearingAndGoingGiveOneSignalPerBurst) {
    vantoro::test::CTempFolder root;
    const std::string strFolder = root / "dosdevices";
    CPortListWatcher watcher(QString::fromStdString(strFolder));
    watcher.SetSettleTime(30);
    QSignalSpy spy(&watcher, &CPortListWatcher::PortsChanged);

    vantoro::test::WriteTextFile(root / "vantoro.INI", "[APP]\n"); // beside it: no port change
    QTest::qWait(150);
    EXPECT_EQ(spy.count(), 0);

    fs::create_directories(strFolder);
    fs::create_symlink("/dev/null", strFolder + "/com5");
    fs::create_symlink("/dev/null", strFolder + "/com6");
    ASSERT_TRUE(spy.wait(3000));
    QTest::qWait(150);
    EXPECT_EQ(spy.count(), 1);

    fs::create_symlink("/dev/null", strFolder + "/com7");
    ASSERT_TRUE(spy.wait(3000));
    fs::remove(strFolder + "/com5");
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.count(), 3);

    // The folder removed and made again is still followed.
    fs::remove_all(strFolder);
    ASSERT_TRUE(spy.wait(3000));
    fs::create_directories(strFolder);
    ASSERT_TRUE(spy.wait(3000));
    fs::create_symlink("/dev/null", strFolder + "/com9");
    EXPECT_TRUE(spy.wait(3000));
}
