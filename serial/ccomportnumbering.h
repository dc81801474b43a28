#pragma once

#include "platform/cfilelock.h"
#include "serial/comportdiscovery.h"

#include <memory>

#include <set>
#include <string>
#include <vector>

namespace vantoro {

// Gives every serial device a COM number that stays with it, as Windows does: the first time a
// device with a stable name (a /dev/serial/by-id/ link) is seen, a dosdevices comN link to that
// name is written, so the adapter keeps its number whatever order it is plugged in. Links that
// exist are never changed, whoever made them.
class CComPortNumbering {
public:
    CComPortNumbering(std::string strDosDevicesFolder, std::string strByIdFolder);

    // The ports of the devices and of the links whose targets exist, ordered by number. A device
    // no link reaches yet gets a link first when it has a stable name (its built-in number, or
    // the next free one from kFirstLinkedComPort when a link already holds that) or when it has
    // no built-in number free (the next free one, naming its node). A link that cannot be
    // written costs a line in logTexts; the device then keeps its built-in number, if free.
    std::vector<ComPortEntry> NumberPorts(const std::vector<TtyDevice>& devices,
                                          std::vector<std::string>& logTexts);

    // The ports the links name, targets that exist only; writes nothing.
    std::vector<ComPortEntry> LinkedPorts(const std::vector<TtyDevice>& devices) const;

    // The number of a network port name (rfc2217://, socket://): the link that already names
    // it, else a new comN link from kFirstLinkedComPort up, clear of the links and of listed,
    // so the name keeps its number in every later run, as an adapter does. -1 with the reason
    // in strError when no link can be read or written.
    int LinkNetworkPort(const std::string& strName, const std::vector<int>& listed,
                        std::string& strError);

private:
    struct DosDeviceLink {
        int nPort = 0;
        std::string strText;   // as written in the link
        std::string strTarget; // the node it reaches; empty when nothing is there
    };

    std::vector<DosDeviceLink> ReadLinks() const;
    // The lock that numbering by every program takes turns under; null without a folder.
    std::unique_ptr<CFileLock> LockFolder() const;
    // Canonical device node to its by-id name.
    std::map<std::string, std::string> ReadStableNames() const;
    ComPortEntry EntryFor(int nPort, const std::string& strNode, const std::string& strStableName,
                          const std::vector<TtyDevice>& devices) const;
    // Writes comN -> strTarget at nWanted when that is free, else at the next free number from
    // kFirstLinkedComPort; the number written, or -1 with the reason in strError.
    int WriteLink(int nWanted, const std::string& strTarget, std::set<int>& taken,
                  std::string& strError) const;

    std::string m_strFolder;
    std::string m_strByIdFolder;
};

} // namespace vantoro
