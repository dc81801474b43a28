#pragma once

#include "update/logcategory.h"

#include <string>
#include <string_view>

namespace vantoro {

// What one reply character from the equipment means for the update, with the finished texts.
struct ReplyOutcome {
    enum Kind {
        SendNext, // 'C': the record was taken
        Complete, // '+': the end record was taken
        Warning,  // '<' or '>': logged, then a further reply is awaited
        Failure,  // anything else ends the update
    };
    Kind kind = Failure;
    std::string strStatus;                 // failures: shown after "Fatal Error. "
    std::string strLog;                    // failures and warnings
    LogCategory category = LogApplication; // of strLog
};

// The boot loader's one-character replies, read as the update engine acts on them.
class CReplyTable {
public:
    // strModel fills "%s", nRecord (the record being answered) fills "%d".
    static ReplyOutcome Interpret(char cReply, const std::string& strModel, int nRecord);
    // One read's characters: the first is the reply, unless the read is the equipment's
    // detection text again (all of it, or its start cut off by the end of the read) where no
    // reply character stands: then the equipment has restarted under the update.
    static ReplyOutcome InterpretRead(std::string_view read, const std::string& strDetectText,
                                      const std::string& strModel, int nRecord);
};

} // namespace vantoro
