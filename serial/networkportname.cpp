#include "serial/networkportname.h"

#include <cctype>
#include <string>

namespace vantoro {

namespace {

constexpr const char* kRfc2217Scheme = "rfc2217://";
constexpr const char* kSocketScheme = "socket://";

bool HasPrefixNoCase(const std::string& str, const std::string& prefix) {
    if (str.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(str[i])) != prefix[i])
            return false;
    }
    return true;
}

bool Fail(std::string* pstrWhy, const std::string& strWhy) {
    if (pstrWhy)
        *pstrWhy = strWhy;
    return false;
}

bool IsValidService(const std::string& strPort) {
    if (strPort.empty() || strPort.size() > 5)
        return false;
    long value = 0;
    for (char c : strPort) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

// Letters, digits, dots, hyphens and underscores: a host name or an IPv4 address. Anything
// else (a user part, a path, blanks) is a typing error worth saying so.
bool IsPlainHost(const std::string& strHost) {
    for (char c : strHost) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            return false;
    }
    return !strHost.empty();
}

} // namespace

bool LooksLikeNetworkPortName(const std::string& strName) {
    return HasPrefixNoCase(strName, kRfc2217Scheme) || HasPrefixNoCase(strName, kSocketScheme);
}

bool ParseNetworkPortName(const std::string& strName, NetworkPortName& name, std::string* pstrWhy) {
    NetworkPortName parsed;
    std::string rest;
    if (HasPrefixNoCase(strName, kRfc2217Scheme)) {
        parsed.bRfc2217 = true;
        rest = strName.substr(std::string(kRfc2217Scheme).size());
    } else if (HasPrefixNoCase(strName, kSocketScheme)) {
        rest = strName.substr(std::string(kSocketScheme).size());
    } else {
        return Fail(pstrWhy, "not of the form rfc2217://HOST:PORT or socket://HOST:PORT");
    }
    // Other tools accept a trailing slash, and users copy their names.
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string strPort;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return Fail(pstrWhy, "the IPv6 address has no closing ']'");
        parsed.strHost = rest.substr(1, close - 1);
        if (close + 1 >= rest.size() || rest[close + 1] != ':')
            return Fail(pstrWhy, "no :PORT after the host");
        strPort = rest.substr(close + 2);
        // A link-local address may carry its interface after '%' (fe80::1%eth0).
        const std::string address = parsed.strHost.substr(0, parsed.strHost.find('%'));
        const std::string zone = address.size() < parsed.strHost.size()
                                     ? parsed.strHost.substr(address.size() + 1)
                                     : "zone";
        if (address.empty() ||
            address.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos ||
            !IsPlainHost(zone))
            return Fail(pstrWhy, "'" + parsed.strHost + "' is no IPv6 address");
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos)
            return Fail(pstrWhy, "no :PORT after the host");
        parsed.strHost = rest.substr(0, colon);
        strPort = rest.substr(colon + 1);
        if (!IsPlainHost(parsed.strHost))
            return Fail(pstrWhy, parsed.strHost.empty()
                                     ? "no host before :PORT"
                                     : "'" + parsed.strHost + "' is no host name or address");
    }
    if (!IsValidService(strPort))
        return Fail(pstrWhy, "the TCP port must be a number from 1 to 65535");
    parsed.strService = strPort;
    name = parsed;
    return true;
}

bool IsSameNetworkPort(const std::string& strA, const std::string& strB) {
    NetworkPortName a;
    NetworkPortName b;
    if (!ParseNetworkPortName(strA, a) || !ParseNetworkPortName(strB, b))
        return false;
    const auto lower = [](std::string str) {
        for (char& c : str)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return str;
    };
    return a.bRfc2217 == b.bRfc2217 && lower(a.strHost) == lower(b.strHost) &&
           std::stol(a.strService) == std::stol(b.strService);
}

} // namespace vantoro
