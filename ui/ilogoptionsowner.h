#pragma once

namespace vantoro {

// What the Log Options dialog reads from and applies to the window that owns the log.
class ILogOptionsOwner {
public:
    virtual ~ILogOptionsOwner() = default;
    virtual int GetLogFlags() const = 0;
    virtual bool IsLoggingEnabled() const = 0;
    virtual void SetLogFlags(int nMask) = 0;
    virtual void SetLogging(bool bOn) = 0;
};

} // namespace vantoro
