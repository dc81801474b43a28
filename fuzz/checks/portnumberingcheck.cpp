#include "fuzz/checks/portnumberingcheck.h"

#include "fuzz/checks/cfuzzinput.h"
#include "fuzz/checks/cscratchfolder.h"
#include "serial/comportdiscovery.h"

#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <vector>

namespace vantoro {

namespace fs = std::filesystem;

namespace {

// Kernel names from the families the numbering knows, and some it does not.
const char* const kFamilies[] = {"ttyS",   "ttyUSB", "ttyACM",   "ttyAMA", "ttyTHS",
                                 "ttymxc", "rfcomm", "ttyXRUSB", "ttyO",   "weird"};

// The dosdevices names a folder may hold: proper links, odd spellings, junk.
std::string EntryName(CFuzzInput& input) {
    switch (input.TakeByte() % 6) {
    case 0:
        return "com" + std::to_string(input.TakeByte() % 140);
    case 1:
        return "COM" + std::to_string(input.TakeByte() % 140);
    case 2:
        return "com" + std::to_string(input.TakeUint32());
    case 3:
        return "com0" + std::to_string(input.TakeByte() % 10);
    case 4:
        return "com";
    default: {
        std::string strName = input.TakeText(input.TakeByte() % 8);
        for (char& c : strName) {
            if (c == '/' || c == '\0')
                c = '_';
        }
        return strName.empty() || strName == "." || strName == ".." ? "x" : strName;
    }
    }
}

struct Scenario {
    std::vector<TtyDevice> devices;
    std::string strDev, strById, strLinks;
};

void Build(CFuzzInput& input, const CScratchFolder& scratch, Scenario& scenario) {
    scenario.strDev = scratch.FilePath("dev");
    scenario.strById = scratch.FilePath("by-id");
    scenario.strLinks = scratch.FilePath("dosdevices");
    std::error_code ec;
    for (const std::string& strFolder : {scenario.strDev, scenario.strById, scenario.strLinks})
        fs::create_directories(strFolder, ec);
    const int nDevices = input.TakeByte() % 6;
    std::vector<std::string> nodes;
    for (int i = 0; i < nDevices; ++i) {
        const std::string strSys = kFamilies[input.TakeByte() % std::size(kFamilies)] +
                                   std::to_string(input.TakeByte() % 40);
        const std::string strNode = scenario.strDev + "/" + strSys;
        CScratchFolder::WriteFile(strNode, "");
        nodes.push_back(strNode);
        scenario.devices.push_back({strSys, strNode, {{"ID_MODEL", input.TakeText(4)}}});
    }
    // Targets a link may have: a device, nothing, another link, itself.
    auto target = [&](const std::string& strLinkFolder, const std::string& strName) {
        const std::uint8_t nKind = input.TakeByte() % 5;
        if (nKind <= 1 && !nodes.empty())
            return fs::path(nodes[input.TakeByte() % nodes.size()]);
        if (nKind == 2)
            return fs::path(scenario.strDev + "/gone");
        if (nKind == 3)
            return fs::path(strLinkFolder + "/" + strName); // a loop
        return fs::path(scenario.strById + "/usb-" + std::to_string(input.TakeByte() % 4));
    };
    for (int i = input.TakeByte() % 6; i > 0; --i) {
        const std::string strName = "usb-" + std::to_string(input.TakeByte() % 4);
        fs::create_symlink(target(scenario.strById, strName), scenario.strById + "/" + strName, ec);
    }
    for (int i = input.TakeByte() % 8; i > 0; --i) {
        const std::string strName = EntryName(input);
        const std::string strPath = scenario.strLinks + "/" + strName;
        switch (input.TakeByte() % 4) {
        case 0:
            CScratchFolder::WriteFile(strPath, "not a link");
            break;
        case 1:
            fs::create_directory(strPath, ec);
            break;
        default:
            fs::create_symlink(target(scenario.strLinks, strName), strPath, ec);
        }
    }
}

// Every link in the folder and the text it holds.
std::map<std::string, std::string> LinksIn(const std::string& strFolder) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (fs::directory_iterator it(strFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ecLink;
        if (fs::is_symlink(it->symlink_status(ecLink)))
            links[it->path().filename().string()] = fs::read_symlink(it->path(), ecLink).string();
    }
    return links;
}

std::string Duplicates(const std::vector<ComPortEntry>& entries) {
    std::set<int> numbers;
    std::set<std::string> nodes;
    for (const ComPortEntry& entry : entries) {
        if (!numbers.insert(entry.nPort).second)
            return "COM " + std::to_string(entry.nPort) + " listed twice";
        std::error_code ec;
        const std::string strNode = fs::weakly_canonical(entry.strDeviceNode, ec).string();
        if (!strNode.empty() && !nodes.insert(strNode).second)
            return entry.strDeviceNode + " listed twice";
    }
    return {};
}

} // namespace

std::string CheckPortNumberingInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    CScratchFolder scratch("ports");
    Scenario scenario;
    Build(input, scratch, scenario);
    const std::map<std::string, std::string> before = LinksIn(scenario.strLinks);

    ComPortSources sources;
    sources.strByIdFolder = scenario.strById;
    sources.strDosDevicesFolder = scenario.strLinks;
    sources.listDevices = [&](std::vector<TtyDevice>& devices) {
        devices = scenario.devices;
        return true;
    };
    std::vector<ComPortEntry> first, second;
    std::vector<std::string> logTexts;
    DiscoverComPortEntries(first, logTexts, sources);
    DiscoverComPortEntries(second, logTexts, sources);

    std::string strFault = Duplicates(first);
    if (!strFault.empty())
        return strFault;
    const std::map<std::string, std::string> after = LinksIn(scenario.strLinks);
    for (const auto& [strName, strText] : before) {
        auto it = after.find(strName);
        if (it == after.end() || it->second != strText)
            return "the link " + strName + " that was there before was changed";
    }
    if (first.size() != second.size())
        return "a second look lists another number of ports";
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (first[i].nPort != second[i].nPort || first[i].strDeviceNode != second[i].strDeviceNode)
            return "a second look numbers COM " + std::to_string(first[i].nPort) + " otherwise";
    }
    return {};
}

} // namespace vantoro
