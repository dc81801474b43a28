// What the engine does when the world changes under a cycle: equipment that restarts, a port
// that goes while its unit is awaited, a code file replaced after its check.
#include "updaterig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace vantoro;

namespace {

bool StartAndUpdate(CUpdateRig& rig) {
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    return rig.m_pEngine->GetState() == WaitForTarget;
}

// A power dip: the boot loader sends its detection text where a reply was due.
TEST(EngineGuards, EquipmentThatRestartsMidUpdateFailsAsRestartedAtItsRecord) {
    for (int nPlatform : {0, 1}) {
        SCOPED_TRACE(nPlatform == 0 ? "detection text LF" : "detection text ceL LF");
        // The boot loader's words at power-on, where record 10's reply was due.
        SimOptions options;
        options.replyAt[10] = nPlatform == 0 ? "\n" : "ceL\n";
        CUpdateRig rig{options, nPlatform};
        rig.UseCodeFile(MakeSRecordFile(60));
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_EQ(rig.m_window.m_strStatus,
                  "Fatal Error. " + rig.ModelName() + " Restarted @ Record 10");
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    }
}

// Without the port nothing can arrive: waiting on would say "Switch On" for ever.
TEST(EngineGuards, APortThatGoesWhileItsUnitIsAwaitedFailsAtOnce) {
    CUpdateRig rig{SimOptions()};
    rig.UseCodeFile(MakeSRecordFile(5));
    ASSERT_TRUE(StartAndUpdate(rig));
    rig.StopSim(); // the device behind the link goes away
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.m_pEngine->GetState() != WaitForTarget; }, 5000))
        << "still waiting for the equipment on a port that has gone";
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(rig.m_window.m_strStatus, "Port 5 Hung Up while Waiting for " + rig.ModelName());
    EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    EXPECT_TRUE(rig.m_window.m_bCancelEnabled);
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
}

// A new version copied over the file while the unit is switched on: the handshake, which makes
// the equipment erase itself, is never sent; the same file unchanged goes through.
TEST(EngineGuards, ACodeFileChangedSinceItsCheckIsNoticedBeforeTheHandshake) {
    for (const char* pszChange : {"rewritten", "deleted", ""}) {
        SCOPED_TRACE(pszChange);
        const bool bChange = *pszChange != '\0';
        CUpdateRig rig{SimOptions()};
        const std::string strPath = rig.UseCodeFile(MakeSRecordFile(8));
        ASSERT_TRUE(StartAndUpdate(rig));
        if (std::string(pszChange) == "rewritten")
            std::ofstream(strPath, std::ios::binary | std::ios::trunc) << MakeSRecordFile(3);
        else if (bChange)
            std::remove(strPath.c_str());
        rig.m_pSim->PowerOn();
        ASSERT_TRUE(rig.RunToRest());
        if (!bChange) {
            EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
            continue;
        }
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(rig.m_window.m_strStatus,
                  "Code File Changed since its Check. " + rig.ModelName() + " Not Updated");
        EXPECT_EQ(rig.m_pSim->GetState(), CTargetSimulator::WaitHandshake)
            << "the equipment got its handshake";
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    }
}

} // namespace
