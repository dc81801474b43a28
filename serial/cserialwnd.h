#pragma once

#include "serial/cserialeventline.h"
#include "serial/iserialmessagesink.h"

#include <atomic>
#include <cstdint>

namespace vantoro {

// A listening port that posts each wake-up's events and line errors as a message to a sink.
class CSerialWnd : public CSerialEventLine {
public:
    CSerialWnd() = default;
    ~CSerialWnd() override;

    std::uint32_t ClosePort() override;
    // Posts nMessage with wParam = errors << 16 | events (16 bits each), lParam = user value.
    void OnLineEvent(std::uint32_t nEvents, std::uint32_t nErrors) override;
    // Posted as kEventLineGone, the error code in the high half.
    void OnLineGone(std::uint32_t nError) override;
    // nMessage 0 means the registered "CSerialWnd_DefaultComMsg".
    virtual std::uint32_t OpenForWindow(const char* pszDevice, ISerialMessageSink* pWindow,
                                        std::uint32_t nMessage, std::int32_t nUserValue);

    std::uint32_t GetMessage() const { return m_nMessage.load(); }
    std::int32_t GetUserValue() const { return m_nUserValue.load(); }

private:
    void ForgetWindow();

    std::atomic<ISerialMessageSink*> m_pWindow{nullptr};
    std::atomic<std::uint32_t> m_nMessage{0};
    std::atomic<std::int32_t> m_nUserValue{0};
};

} // namespace vantoro
