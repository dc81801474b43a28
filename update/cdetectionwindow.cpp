#include "update/cdetectionwindow.h"

#include <cstring>

namespace vantoro {

void CDetectionWindow::Push(char c) {
    if (m_nFill == kSize) {
        std::memmove(m_chars, m_chars + 1, kSize - 1);
        m_nFill = kSize - 1;
    }
    m_chars[m_nFill++] = c;
}

bool CDetectionWindow::EndsWith(const std::string& strText) const {
    const int nLength = static_cast<int>(strText.size());
    if (nLength == 0 || nLength > m_nFill) {
        return false;
    }
    for (int i = 1; i <= nLength; ++i) {
        if (m_chars[m_nFill - i] != strText[nLength - i]) {
            return false;
        }
    }
    return true;
}

} // namespace vantoro
