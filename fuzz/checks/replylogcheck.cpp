#include "fuzz/checks/replylogcheck.h"

#include "update/creplytable.h"

namespace vantoro {

namespace {

// Printable ASCII and the space only: no line break, no zero byte, nothing a log box shows as
// two lines or cuts short.
bool IsOneVisibleLine(const std::string& strText) {
    if (strText.empty())
        return false;
    for (char c : strText) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

} // namespace

std::string CheckReplyLogInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize == 0)
        return {};
    // The first bytes are replies up to a 0xFF marker; what follows names the model.
    std::size_t nReplies = 0;
    while (nReplies < nSize && pData[nReplies] != 0xFF)
        ++nReplies;
    const std::size_t nModelStart = nReplies < nSize ? nReplies + 1 : nSize;
    // Model names are texts of the catalogue: they end at a zero byte.
    std::string strModel(reinterpret_cast<const char*>(pData) + nModelStart, nSize - nModelStart);
    strModel = strModel.substr(0, strModel.find('\0'));
    for (std::size_t i = 0; i < nReplies; ++i) {
        const ReplyOutcome outcome =
            CReplyTable::Interpret(static_cast<char>(pData[i]), strModel, int(i) + 1);
        if (outcome.kind == ReplyOutcome::Failure || outcome.kind == ReplyOutcome::Warning) {
            if (!IsOneVisibleLine(outcome.strLog))
                return "reply byte " + std::to_string(pData[i]) +
                       " gave a log line that is not "
                       "one visible line";
        }
        if (outcome.kind == ReplyOutcome::Failure &&
            outcome.strStatus.find(strModel) == std::string::npos)
            return "reply byte " + std::to_string(pData[i]) + " lost the model from the status";
    }
    return {};
}

} // namespace vantoro
