#pragma once

#include <string>

namespace vantoro {

// The last eight characters received while waiting for the equipment, kept across reads and
// across cycles, compared against the platform's detection text after every character.
class CDetectionWindow {
public:
    static constexpr int kSize = 8;

    // Appends one character, dropping the oldest when the window is full.
    void Push(char c);

    // True when the window ends with strText; never for an empty text or one longer than the
    // characters held.
    bool EndsWith(const std::string& strText) const;

    int GetFill() const { return m_nFill; }

private:
    char m_chars[kSize] = {};
    int m_nFill = 0;
};

} // namespace vantoro
