#include "platform/testtempfolder.h"
#include "session/cupdatesession.h"
#include "ui/ccomportbox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantoro;

namespace {

// The Com Port list over a discovery the test controls, with what it logs and how often the
// list was rebuilt.
class ComPortBox : public ::testing::Test {
protected:
    void SetUp() override {
        m_session.SetLogFunction(
            [this](LogCategory, const std::string& strText) { m_log.push_back(strText); });
        QObject::connect(m_list.model(), &QAbstractItemModel::rowsInserted,
                         [this] { ++m_nRebuilds; });
        m_box.SetIdleQuery([this] { return m_bIdle; });
    }

    void Plug(std::initializer_list<int> ports) {
        m_entries.clear();
        for (int nPort : ports)
            m_entries.push_back({nPort, "Serial Port (/dev/ttyS" + std::to_string(nPort) + ")"});
    }
    QStringList Shown() const {
        QStringList texts;
        for (int i = 0; i < m_list.count(); ++i)
            texts << m_list.itemText(i);
        return texts;
    }
    // The person picks entry nIndex with the mouse or the keyboard.
    void Pick(int nIndex) {
        m_list.setCurrentIndex(nIndex);
        emit m_list.activated(nIndex);
    }

    vantoro::test::CTempFolder m_tmp;
    CUpdateSession m_session{m_tmp / "vantoro.INI", m_tmp / "no-install.ini"};
    QComboBox m_list;
    std::vector<ComPortEntry> m_entries;
    bool m_bFound = true;
    bool m_bIdle = true;
    int m_nDiscoveries = 0;
    int m_nRebuilds = 0;
    std::vector<std::string> m_log;
    CComPortBox m_box{
        &m_list, m_session,
        [this](std::vector<ComPortEntry>& entries) {
            ++m_nDiscoveries;
            entries = m_entries;
            return m_bFound;
        },
        [this](LogCategory, const std::string& strText) { m_log.push_back(strText); }};
};

} // namespace

// A pulled adapter never hands the update to another port: its entry stays, marked, and the
// number the update opens stays its number until the person chooses another.
TEST_F(ComPortBox, AnAbsentChoiceStaysShownAsNotConnectedAndIsTheChoiceAgainWhenBack) {
    Plug({1, 9});
    m_box.Fill();
    QSignalSpy portChanges(&m_box, &CComPortBox::PortChanged);
    ASSERT_EQ(m_box.Select(9), 0);
    EXPECT_EQ(m_box.Select(4), 1) << "only a listed port can be chosen";
    EXPECT_EQ(m_box.GetPortNumber(), 9);

    Plug({1});
    m_box.Refresh();
    EXPECT_EQ(Shown(), QStringList({"Com 1 - Serial Port (/dev/ttyS1)", "Com 9 - not connected"}));
    EXPECT_EQ(m_list.currentIndex(), 1);
    EXPECT_FALSE(m_box.IsChoiceConnected());
    EXPECT_EQ(m_box.GetPortNumber(), 9);
    EXPECT_EQ(m_session.GetChosenPortNumber(), 9) << "saved as the choice";

    m_log.clear();
    Plug({1, 9});
    m_box.Refresh();
    EXPECT_TRUE(m_box.IsChoiceConnected());
    EXPECT_EQ(m_list.currentText(), "Com 9 - Serial Port (/dev/ttyS9)");
    EXPECT_EQ(m_log, std::vector<std::string>({"Com Port 9 Selected"}));
    // Chosen, away, back: each told, and not once was the update pointed at another port.
    ASSERT_EQ(portChanges.count(), 3);
    for (const QList<QVariant>& change : portChanges)
        EXPECT_EQ(change[0].toInt(), 9);

    // Away again, the person takes another port: that one is the choice, the marked entry goes.
    Plug({1, 5});
    m_box.Refresh();
    EXPECT_EQ(Shown().size(), 3);
    Pick(1);
    EXPECT_EQ(m_box.GetPortNumber(), 5);
    EXPECT_TRUE(m_box.IsChoiceConnected());
    EXPECT_EQ(Shown(), QStringList({"Com 1 - Serial Port (/dev/ttyS1)",
                                    "Com 5 - Serial Port (/dev/ttyS5)"}));
}

// Rebuilding a list the person has open loses its highlight and swallows the keys; so does one
// that changes nothing, which a port that is always rediscovered (a network link) caused.
TEST_F(ComPortBox, TheListIsRebuiltOnlyForAChangeAndNeverWhileOpenOrDuringAnUpdate) {
    Plug({1, 9});
    m_box.Fill();
    m_box.Select(9);
    const int nBuilt = m_nRebuilds;
    m_box.Refresh();
    m_box.Refresh();
    EXPECT_EQ(m_nRebuilds, nBuilt) << "nothing changed";

    m_list.show();
    m_list.showPopup();
    ASSERT_TRUE(m_list.view()->isVisible());
    Plug({1, 3, 9});
    m_box.Refresh();
    EXPECT_EQ(m_list.count(), 2) << "open: the change waits";
    m_list.hidePopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_list.count() == 3; }, 3000))
        << "the change shown once the list closed";
    EXPECT_EQ(m_list.currentData().toInt(), 9);

    // During an update the list is what the update started with, until the cycle ends.
    m_bIdle = false;
    Plug({1});
    m_box.Refresh();
    EXPECT_EQ(m_list.count(), 3);
    m_box.RefreshIfStale();
    EXPECT_EQ(Shown(), QStringList({"Com 1 - Serial Port (/dev/ttyS1)", "Com 9 - not connected"}));
    const int nDiscoveries = m_nDiscoveries;
    m_box.RefreshIfStale();
    EXPECT_EQ(m_nDiscoveries, nDiscoveries) << "nothing stale, nothing gone: no discovery";
}

// The periodic look for vanished devices must not count a network port, whose "node" is a URL,
// as gone: that made the list refill every second.
TEST_F(ComPortBox, OnlyAPathThatIsNoLongerThereCountsAsGone) {
    CComPortList ports;
    ports.Fill({{7, "Network Port (rfc2217://127.0.0.1:4001)", "rfc2217://127.0.0.1:4001"},
                {8, "Serial Port", m_tmp / "present"},
                {9, "Serial Port", ""}});
    vantoro::test::WriteTextFile(m_tmp / "present", "");
    EXPECT_FALSE(ports.AnyDeviceGone());
    ports.Fill({{8, "Serial Port", m_tmp / "absent"}});
    EXPECT_TRUE(ports.AnyDeviceGone());
}

// A failed discovery is said once in the log and in the list; ports appearing later are taken.
TEST_F(ComPortBox, FailedDiscoveryShowsOneEntryAndPortsAppearingAreAnnounced) {
    m_bFound = false;
    m_box.Fill();
    EXPECT_EQ(Shown(), QStringList({"No Com Ports Available"}));
    EXPECT_EQ(m_log, std::vector<std::string>({"No Com Ports Found"}));
    QSignalSpy appeared(&m_box, &CComPortBox::PortsAppearedOrWent);
    m_bFound = true;
    Plug({3});
    m_box.Refresh();
    EXPECT_EQ(appeared.count(), 1);
    EXPECT_EQ(m_box.GetPortNumber(), 3) << "with nothing chosen the first port stands in";
    EXPECT_EQ(m_session.GetChosenPortNumber(), 0);
    Pick(0);
    EXPECT_EQ(m_session.GetChosenPortNumber(), 3) << "taking the stand-in makes it the choice";
}
