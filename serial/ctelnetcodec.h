#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantoro {

// The telnet framing of a network serial line: splits what arrives into data bytes and
// commands (option negotiation and subnegotiation), and escapes what is sent, so that a 0xFF
// byte of the equipment's passes both ways as itself.
class CTelnetCodec {
public:
    static constexpr std::uint8_t kIac = 255;
    static constexpr std::uint8_t kDont = 254;
    static constexpr std::uint8_t kDo = 253;
    static constexpr std::uint8_t kWont = 252;
    static constexpr std::uint8_t kWill = 251;
    static constexpr std::uint8_t kSb = 250;
    static constexpr std::uint8_t kSe = 240;

    struct Command {
        std::uint8_t nVerb = 0; // kWill, kWont, kDo, kDont, or kSb for a subnegotiation
        std::uint8_t nOption = 0;
        std::string strData = {}; // the subnegotiation's bytes after the option, unescaped
    };

    // Decodes one piece of the stream; a sequence split between pieces is finished by the next.
    void Decode(const std::uint8_t* pData, std::size_t nLength, std::string& data,
                std::vector<Command>& commands);
    void Reset();
    // A subnegotiation ran past any length the line options use: the stream is broken (or
    // hostile) and no answer will come out of it.
    bool HasOverlongSubnegotiation() const { return m_bOverlong; }

    static void AppendEscaped(const std::uint8_t* pData, std::size_t nLength, std::string& out);
    static std::string Negotiation(std::uint8_t nVerb, std::uint8_t nOption);
    static std::string Subnegotiation(std::uint8_t nOption, const std::string& strPayload);

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };

    void DecodeByte(std::uint8_t nByte, std::string& data, std::vector<Command>& commands);
    void AppendSubnegotiationByte(std::uint8_t nByte);

    State m_state = State::Data;
    Command m_command;
    bool m_bOverlong = false;
};

} // namespace vantoro
