#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vantoro {

// How the simulated equipment behaves: its texts, its programmable range and the faults it
// plays. Record numbers count from 1, as the update engine numbers them.
struct SimOptions {
    std::string strDetect = "\n";         // sent at power-on, after the noise
    std::string strHandshake = "QduKanZ"; // answered with strAck
    std::string strAck = "F";             // sent in one write: stray bytes may come with the 'F'
    int nNoise = 0;                       // noise bytes before the detection text
    int nSplitDetectMs = -1;              // >= 0: detection text in two halves, this far apart
    std::uint32_t nAddressLow = 0;
    std::uint32_t nAddressHigh = 0xFFFFFFFFu;
    std::map<int, std::string> replyAt; // record -> replies sent instead of the checker's
    int nReplyGapMs = 100;              // between the replies of one record
    int nSilentFrom = 0;                // no reply from this record on (0: never silent)
    int nHangupAtRecord = 0;            // hang up when this record arrives (0: never)
    long long nHangupAtByte = 0;        // hang up when this many bytes have arrived (0: never)
    int nReplyDelayMs = 0;              // before every reply
    int nBaud = 0;                      // pace the line at this rate, 10 bits a byte (0: instant)
    int nPowerOnDelayMs = -1;           // power on this long after start (-1: on command only)
    int nPowerOnWhenOpenedMs = -1;      // power on this long after the program opens the line
    bool bExitWhenDone = false;         // end after '+' or a hang-up
    std::string strDevice;              // an existing device instead of a new pseudo-terminal
    std::string strLinkFolder;          // link the pseudo-terminal as <folder>/com<N>
    int nLinkCom = 0;
    std::string strReceivedFile; // every received line, as received
    std::string strImageFile;    // the programmed memory as a binary
};

// Reads the command line (without the program name). False with a message for anything it does
// not understand; bHelp is set for --help.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, bool& bHelp,
                     std::string& strError);

// The --help text.
std::string SimUsage();

// "\n", "\r", "\t", "\\" and "\xHH" in a command-line text become their bytes.
bool DecodeEscapes(const std::string& strText, std::string& strBytes);

} // namespace vantoro
