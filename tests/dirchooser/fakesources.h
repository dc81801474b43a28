#pragma once

#include <QApplication>
#include <QCursor>
#include <map>
#include <string>
#include <vector>

#include "dirchooser/idrivesource.h"
#include "dirchooser/inetworksource.h"

namespace vantoro::test {

// Drives given by the test.
class CFakeDrives : public IDriveSource {
public:
    std::vector<SDriveEntry> m_drives;
    std::vector<SDriveEntry> ListDrives() override { return m_drives; }
};

// A network of the test's own servers and shares, keyed by the container's remote name
// ("" for the top level). It notes whether the wait cursor was up while it was asked.
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
        m_bWaitCursorSeen = m_bWaitCursorSeen && pCursor && pCursor->shape() == Qt::WaitCursor;
        if (m_bFail)
            return false;
        auto it = m_places.find(pContainer ? pContainer->strRemoteName : std::string());
        if (it == m_places.end())
            return false;
        entries.insert(entries.end(), it->second.begin(), it->second.end());
        return true;
    }

    static SNetResource Place(int nDisplayType, const std::string& strRemote,
                              const std::string& strLocal = std::string(),
                              const std::string& strComment = std::string()) {
        SNetResource r;
        r.nDisplayType = nDisplayType;
        r.strRemoteName = strRemote;
        r.strLocalName = strLocal;
        r.strComment = strComment;
        return r;
    }
};

} // namespace vantoro::test
