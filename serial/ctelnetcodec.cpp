#include "serial/ctelnetcodec.h"

namespace vantoro {

namespace {

// A subnegotiation longer than any the line options use is a broken stream: it is cut here
// rather than let a server grow memory without end.
constexpr std::size_t kMaxSubnegotiation = 256;

} // namespace

void CTelnetCodec::Reset() {
    m_state = State::Data;
    m_command = Command();
    m_bOverlong = false;
}

void CTelnetCodec::Decode(const std::uint8_t* pData, std::size_t nLength, std::string& data,
                          std::vector<Command>& commands) {
    for (std::size_t i = 0; i < nLength; ++i)
        DecodeByte(pData[i], data, commands);
}

void CTelnetCodec::DecodeByte(std::uint8_t nByte, std::string& data,
                              std::vector<Command>& commands) {
    switch (m_state) {
    case State::Data:
        if (nByte == kIac)
            m_state = State::Iac;
        else
            data.push_back(static_cast<char>(nByte));
        return;
    case State::Iac:
        if (nByte == kIac) {
            data.push_back(static_cast<char>(kIac));
            m_state = State::Data;
        } else if (nByte >= kWill && nByte <= kDont) {
            m_command = Command{nByte, 0, {}};
            m_state = State::Verb;
        } else if (nByte == kSb) {
            m_command = Command{kSb, 0, {}};
            m_state = State::Verb;
        } else {
            m_state = State::Data; // NOP, go-ahead and the like carry nothing for a serial line
        }
        return;
    case State::Verb:
        m_command.nOption = nByte;
        if (m_command.nVerb == kSb) {
            m_state = State::Sub;
        } else {
            commands.push_back(m_command);
            m_state = State::Data;
        }
        return;
    case State::Sub:
        if (nByte == kIac)
            m_state = State::SubIac;
        else
            AppendSubnegotiationByte(nByte);
        return;
    case State::SubIac:
        if (nByte == kIac) {
            AppendSubnegotiationByte(kIac);
            m_state = State::Sub;
        } else {
            // IAC SE ends it; any other command inside is a broken subnegotiation, ended too.
            commands.push_back(m_command);
            m_state = State::Data;
        }
        return;
    }
}

void CTelnetCodec::AppendSubnegotiationByte(std::uint8_t nByte) {
    if (m_command.strData.size() < kMaxSubnegotiation)
        m_command.strData.push_back(static_cast<char>(nByte));
    else
        m_bOverlong = true;
}

void CTelnetCodec::AppendEscaped(const std::uint8_t* pData, std::size_t nLength, std::string& out) {
    for (std::size_t i = 0; i < nLength; ++i) {
        if (pData[i] == kIac)
            out.push_back(static_cast<char>(kIac));
        out.push_back(static_cast<char>(pData[i]));
    }
}

std::string CTelnetCodec::Negotiation(std::uint8_t nVerb, std::uint8_t nOption) {
    return std::string{static_cast<char>(kIac), static_cast<char>(nVerb),
                       static_cast<char>(nOption)};
}

std::string CTelnetCodec::Subnegotiation(std::uint8_t nOption, const std::string& strPayload) {
    std::string out{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(nOption)};
    AppendEscaped(reinterpret_cast<const std::uint8_t*>(strPayload.data()), strPayload.size(), out);
    out.push_back(static_cast<char>(kIac));
    out.push_back(static_cast<char>(kSe));
    return out;
}

} // namespace vantoro
