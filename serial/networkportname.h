#pragma once

#include <string>

namespace vantoro {

// A serial port carried over the network by a device server: "rfc2217://HOST:PORT" (telnet
// COM-PORT-OPTION, the line settings travel with the data) or "socket://HOST:PORT" (the bytes
// as they are). HOST is a name, an IPv4 address or a bracketed IPv6 address.
struct NetworkPortName {
    bool bRfc2217 = false;
    std::string strHost;    // without the brackets of an IPv6 address
    std::string strService; // the TCP port, digits only
};

// True when the text has the form of a network port name, right or wrong in its details, so
// that it is never taken for a file path.
bool LooksLikeNetworkPortName(const std::string& strName);

// Splits a network port name; false with a reason for anything malformed (no port, a port out
// of 1..65535, an unclosed bracket, a path or user part).
bool ParseNetworkPortName(const std::string& strName, NetworkPortName& name,
                          std::string* pstrWhy = nullptr);

// True when both texts name one network port however they are written: the scheme's case, a
// trailing slash, the host name's case and leading zeros of the TCP port make no difference,
// so a port typed two ways keeps one COM number.
bool IsSameNetworkPort(const std::string& strA, const std::string& strB);

} // namespace vantoro
