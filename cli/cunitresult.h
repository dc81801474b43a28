#pragma once

#include <string>

namespace vantoro {

// How a unit's update ended.
enum class UnitOutcome { Completed, Failed, Interrupted };

// One finished unit, as the report file and the output give it.
struct CUnitResult {
    std::string strTime; // UTC, ISO 8601
    int nPort = 0;
    std::string strDevice;
    std::string strStableName;
    std::string strProduct;
    std::string strModel;
    std::string strFile;
    std::string strSha256;
    int nRecordsSent = 0;
    int nRecordsTotal = 0;
    double dSeconds = 0.0; // from detection to the end; 0 when never detected
    std::string strResult; // the Status text shown at the end
    UnitOutcome outcome = UnitOutcome::Failed;
};

// "completed", "failed" or "interrupted".
inline const char* OutcomeName(UnitOutcome outcome) {
    return outcome == UnitOutcome::Completed ? "completed"
           : outcome == UnitOutcome::Failed  ? "failed"
                                             : "interrupted";
}

} // namespace vantoro
