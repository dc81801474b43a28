#include "sim/simoptions.h"

#include <cerrno>
#include <cstdlib>

namespace vantoro {

namespace {

bool ParseNumber(const std::string& strText, long long nMin, long long nMax, long long& nValue) {
    if (strText.empty()) {
        return false;
    }
    errno = 0;
    char* pEnd = nullptr;
    const long long n = std::strtoll(strText.c_str(), &pEnd, 0);
    if (errno != 0 || *pEnd != '\0' || n < nMin || n > nMax) {
        return false;
    }
    nValue = n;
    return true;
}

template <typename T>
bool ParseInto(const std::string& strText, long long nMin, long long nMax, T& value) {
    long long n = 0;
    if (!ParseNumber(strText, nMin, nMax, n)) {
        return false;
    }
    value = static_cast<T>(n);
    return true;
}

bool ParseReplyAt(const std::string& strText, SimOptions& options) {
    const std::size_t nColon = strText.find(':');
    int nRecord = 0;
    std::string strReplies;
    if (nColon == std::string::npos ||
        !ParseInto(strText.substr(0, nColon), 1, 0x7FFFFFFF, nRecord) ||
        !DecodeEscapes(strText.substr(nColon + 1), strReplies)) {
        return false;
    }
    options.replyAt[nRecord] = strReplies;
    return true;
}

bool ApplyPlatform(const std::string& strName, SimOptions& options) {
    if (strName == "saltir" || strName == "0") {
        options.strDetect = "\n";
    } else if (strName == "verrin" || strName == "1") {
        options.strDetect = "ceL\n";
    } else {
        return false;
    }
    return true;
}

} // namespace

bool DecodeEscapes(const std::string& strText, std::string& strBytes) {
    strBytes.clear();
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] != '\\') {
            strBytes.push_back(strText[i]);
            continue;
        }
        if (++i == strText.size()) {
            return false;
        }
        switch (strText[i]) {
        case 'n':
            strBytes.push_back('\n');
            break;
        case 'r':
            strBytes.push_back('\r');
            break;
        case 't':
            strBytes.push_back('\t');
            break;
        case '\\':
            strBytes.push_back('\\');
            break;
        case 'x': {
            long long n = 0;
            if (i + 2 >= strText.size() ||
                !ParseNumber("0x" + strText.substr(i + 1, 2), 0, 255, n)) {
                return false;
            }
            strBytes.push_back(static_cast<char>(n));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, bool& bHelp,
                     std::string& strError) {
    bHelp = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strOption = args[i];
        if (strOption == "--help" || strOption == "-h") {
            bHelp = true;
            return true;
        }
        if (strOption == "--exit-when-done") {
            options.bExitWhenDone = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            strError = strOption.rfind("--", 0) == 0 ? "missing value for " + strOption
                                                     : "unexpected argument: " + strOption;
            return false;
        }
        const std::string& strValue = args[++i];
        bool bOk = true;
        if (strOption == "--platform") {
            bOk = ApplyPlatform(strValue, options);
        } else if (strOption == "--detect") {
            bOk = DecodeEscapes(strValue, options.strDetect) && !options.strDetect.empty();
        } else if (strOption == "--handshake") {
            bOk = DecodeEscapes(strValue, options.strHandshake) && !options.strHandshake.empty();
        } else if (strOption == "--ack") {
            bOk = DecodeEscapes(strValue, options.strAck) && !options.strAck.empty();
        } else if (strOption == "--noise") {
            bOk = ParseInto(strValue, 0, 1 << 20, options.nNoise);
        } else if (strOption == "--split-detect") {
            bOk = ParseInto(strValue, 0, 60000, options.nSplitDetectMs);
        } else if (strOption == "--address-low") {
            bOk = ParseInto(strValue, 0, 0xFFFFFFFFLL, options.nAddressLow);
        } else if (strOption == "--address-high") {
            bOk = ParseInto(strValue, 0, 0xFFFFFFFFLL, options.nAddressHigh);
        } else if (strOption == "--reply-at") {
            bOk = ParseReplyAt(strValue, options);
        } else if (strOption == "--reply-gap") {
            bOk = ParseInto(strValue, 0, 60000, options.nReplyGapMs);
        } else if (strOption == "--silent-from") {
            bOk = ParseInto(strValue, 1, 0x7FFFFFFF, options.nSilentFrom);
        } else if (strOption == "--hangup-at") {
            bOk = ParseInto(strValue, 1, 0x7FFFFFFF, options.nHangupAtRecord);
        } else if (strOption == "--hangup-at-byte") {
            bOk = ParseInto(strValue, 1, 0x7FFFFFFFFFFFLL, options.nHangupAtByte);
        } else if (strOption == "--reply-delay") {
            bOk = ParseInto(strValue, 0, 600000, options.nReplyDelayMs);
        } else if (strOption == "--baud") {
            bOk = ParseInto(strValue, 50, 4000000, options.nBaud);
        } else if (strOption == "--power-on-after") {
            bOk = ParseInto(strValue, 0, 86400000, options.nPowerOnDelayMs);
        } else if (strOption == "--power-on-when-opened") {
            bOk = ParseInto(strValue, 0, 86400000, options.nPowerOnWhenOpenedMs);
        } else if (strOption == "--device") {
            options.strDevice = strValue;
        } else if (strOption == "--link-folder") {
            options.strLinkFolder = strValue;
        } else if (strOption == "--com") {
            bOk = ParseInto(strValue, 1, 255, options.nLinkCom);
        } else if (strOption == "--received") {
            options.strReceivedFile = strValue;
        } else if (strOption == "--image") {
            options.strImageFile = strValue;
        } else {
            strError = "unknown option: " + strOption;
            return false;
        }
        if (!bOk) {
            strError = "bad value for " + strOption + ": " + strValue;
            return false;
        }
    }
    if (options.nAddressLow > options.nAddressHigh) {
        strError = "--address-low is above --address-high";
        return false;
    }
    if (!options.strLinkFolder.empty() && options.nLinkCom == 0) {
        strError = "--link-folder needs --com N";
        return false;
    }
    if (!options.strDevice.empty() && !options.strLinkFolder.empty()) {
        strError = "--link-folder links a new pseudo-terminal; it cannot be used with --device";
        return false;
    }
    return true;
}

std::string SimUsage() {
    return R"(usage: vantoro-target-sim [options]

Plays the boot loader of the lighting equipment on a pseudo-terminal that it creates (its path
is printed as "pty: PATH" on standard output) or on an existing device (--device).

Power: the equipment starts switched off. It is switched on (boot: noise, then the detection
text) by the line "on" on standard input, by SIGUSR1, --power-on-after MS after start, or
--power-on-when-opened MS after the update program opens the line (again for every cycle).
"off" on standard input or SIGUSR2 switches it off; "quit", SIGINT or SIGTERM end the program
(the end of standard input does not, so it can run with no input attached).

After the detection text it waits for the handshake text and answers 'F' (or --ack); then it
answers each received line: 'C' for a well-formed S-record, ')' checksum error, '(' malformed
record, '<' or '>' data outside the address range, '+' after a termination record (S7, S8, S9).

Equipment:
  --platform saltir|verrin  detection text of that platform: "\n" or "ceL\n" (default saltir)
  --detect TEXT             detection text (escapes: \n \r \t \\ \xHH)
  --handshake TEXT          handshake text awaited (default QduKanZ)
  --address-low N           lowest programmable address (default 0)
  --address-high N          highest programmable address (default 0xFFFFFFFF)

Faults:
  --noise N                 N noise bytes before the detection text
  --ack TEXT                answer the handshake with TEXT, in one write, instead of F (escapes
                            as for --detect; '\x00F' is a stray byte, then F)
  --split-detect MS         send the detection text in two halves, MS apart
  --reply-at N:REPLIES      answer record N with REPLIES (each byte a reply, e.g. 3:'<C' or 5:!)
  --reply-gap MS            pause between the replies of one record (default 100)
  --silent-from N           no reply from record N on
  --hangup-at N             hang up the line when record N arrives
  --hangup-at-byte N        hang up the line when N bytes have arrived
  --reply-delay MS          wait MS before every reply
  --baud B                  pace both directions at B baud, 10 bits a byte (default: instant)

Line and output:
  --power-on-after MS       switch on MS after start
  --power-on-when-opened MS switch on MS (at least 100) after the line is opened; off when it
                            is closed
  --device PATH             use an existing device instead of a new pseudo-terminal
  --link-folder DIR --com N link the pseudo-terminal as DIR/comN (a dosdevices folder)
  --received FILE           write every received line to FILE, as received
  --image FILE              write the programmed memory as a binary (gaps 0xFF) to FILE
  --exit-when-done          end after the update completed or the line was hung up
  --help                    this text
)";
}

} // namespace vantoro
