#pragma once

#include <QApplication>
#include <map>

#include "dirchooser/idrivesource.h"
#include "dirchooser/inetworksource.h"

namespace vantoro::test {

class CFakeDrives : public IDriveSource {
public:
    std::vector<SDriveEntry> m_drives;
    std::vector<SDriveEntry> ListDrives() override { return m_drives; }
};

// The test's own servers and shares, keyed by the container's remote name ("" for the top).
// Notes whether the wait cursor was up every time it was asked.
class CFakeNetwork : public INetworkSource {
public:
    std::map<std::string, std::vector<SNetResource>> m_places;
    bool m_bFail = false;
    int m_nCalls = 0;
    bool m_bWaitCursorSeen = true;

    bool EnumerateNetwork(const SNetResource* pContainer,
                          std::vector<SNetResource>& entries) override {
        ++m_nCalls;
        const QCursor* pCursor = QApplication::overrideCursor();
        m_bWaitCursorSeen &= pCursor && pCursor->shape() == Qt::WaitCursor;
        auto it = m_places.find(pContainer ? pContainer->strRemoteName : "");
        if (m_bFail || it == m_places.end())
            return false;
        entries.insert(entries.end(), it->second.begin(), it->second.end());
        return true;
    }

    static SNetResource Place(int nDisplayType, std::string strRemote, std::string strLocal = {},
                              std::string strComment = {}) {
        SNetResource r;
        r.nDisplayType = nDisplayType;
        r.strRemoteName = std::move(strRemote);
        r.strLocalName = std::move(strLocal);
        r.strComment = std::move(strComment);
        return r;
    }
};

} // namespace vantoro::test
