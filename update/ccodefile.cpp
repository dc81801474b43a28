#include "update/ccodefile.h"

#include <climits>
#include <functional>
#include <string_view>

namespace vantoro {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kCtrlZ = 0x1A;
constexpr std::chrono::milliseconds kPathLookInterval{250};

} // namespace

CCodeFile::CCodeFile() : m_buffer(kBufferSize) {}

bool CCodeFile::IsUnchanged(bool bLookAtPath) {
    CFileIdentity now;
    if (!m_file.GetIdentity(now) || !now.IsSameContent(m_identity))
        return false;
    // A file renamed over ours, or ours deleted, leaves our handle on the old one: the user
    // meant the new one, so the update must not go on with either. What is sent meanwhile is
    // still the checked file's, so the path is looked at a few times a second, not at each
    // record: opening a path by name costs a Windows system several round trips.
    const auto looking = std::chrono::steady_clock::now();
    if (!bLookAtPath && looking - m_lastPathLook < kPathLookInterval)
        return true;
    CFileIdentity named;
    if (!CRegularFile::IdentityOfPath(m_strPath, named) || !named.IsSameFile(m_identity))
        return false;
    m_lastPathLook = looking;
    return true;
}

bool CCodeFile::OpenAndCount(const std::string& strPath) {
    CloseIfOpen();
    m_nRecordsTotal = 0;
    m_nRecordsSent = 0;
    // Devices, pipes and directories are never code files, and a FIFO cannot hang the open.
    CRegularFile file;
    std::string strWhy;
    CFileIdentity identity;
    if (!file.Open(strPath, strWhy) || !file.GetIdentity(identity)) {
        return false;
    }
    m_file = std::move(file);
    m_strPath = strPath;
    m_identity = identity;
    m_bOpen = true;
    m_bFailed = false;
    m_bEnded = false;
    m_bCounted = false;
    m_bInRecord = false;
    m_bPendingCr = false;
    m_blocks.clear();
    m_nBufferPos = m_nBufferLen = 0;

    int nCount = 0;
    ReadResult result;
    std::string strScratch; // one piece at a time: a long line is counted, never held
    bool bComplete = false;
    while ((result = ReadRecordPart(strScratch, kBufferSize, bComplete)) == Record) {
        if (!bComplete) {
            continue;
        }
        if (nCount == INT_MAX) {
            result = ReadError;
            break;
        }
        ++nCount;
    }
    if (result == ReadError || !Rewind()) {
        CloseIfOpen();
        return false;
    }
    m_nRecordsTotal = nCount;
    m_bCounted = true;
    return true;
}

bool CCodeFile::Rewind() {
    if (!m_file.Rewind()) {
        return false;
    }
    m_nBufferPos = m_nBufferLen = 0;
    m_nBlock = 0;
    m_bEnded = false;
    m_bInRecord = false;
    m_bPendingCr = false;
    return true;
}

bool CCodeFile::FillBuffer() {
    const std::ptrdiff_t nRead = m_file.Read(m_buffer.data(), m_buffer.size());
    if (nRead < 0) {
        m_bFailed = true;
        return false;
    }
    // Checked after the read: bytes read while the identity still holds are the first version's.
    if (!IsUnchanged(true)) {
        m_bFailed = true;
        return false;
    }
    m_nBufferPos = 0;
    m_nBufferLen = static_cast<std::size_t>(nRead);
    if (!MatchesCountedBlock()) {
        m_bFailed = true;
        m_nBufferLen = 0;
        return false;
    }
    if (nRead == 0) {
        m_bEnded = true;
        return false;
    }
    return true;
}

bool CCodeFile::MatchesCountedBlock() {
    if (m_nBufferLen == 0) {
        return !m_bCounted || m_nBlock == m_blocks.size();
    }
    const Block block{m_nBufferLen, std::hash<std::string_view>()(
                                        std::string_view(m_buffer.data(), m_nBufferLen))};
    if (!m_bCounted) {
        m_blocks.push_back(block);
        return true;
    }
    if (m_nBlock >= m_blocks.size() || m_blocks[m_nBlock].nLength != block.nLength ||
        m_blocks[m_nBlock].nHash != block.nHash) {
        return false;
    }
    ++m_nBlock;
    return true;
}

CCodeFile::ReadResult CCodeFile::ReadRecord(std::string& strLine) {
    bool bComplete = false;
    return ReadRecordPart(strLine, std::string::npos, bComplete);
}

CCodeFile::ReadResult CCodeFile::ReadRecordPart(std::string& strPart, std::size_t nMost,
                                                bool& bComplete) {
    strPart.clear();
    bComplete = false;
    if (!m_bOpen || m_bFailed) {
        return ReadError;
    }
    if (!m_bInRecord && m_bCounted && !IsUnchanged(false)) {
        m_bFailed = true;
        return ReadError;
    }
    for (;;) {
        if (strPart.size() >= nMost) {
            m_bInRecord = true; // the rest of the record comes with the next call
            return Record;
        }
        if (m_nBufferPos == m_nBufferLen) {
            if (m_bEnded || !FillBuffer()) {
                break;
            }
        }
        const char c = m_buffer[m_nBufferPos];
        if (c == kCtrlZ) {
            m_bEnded = true; // text mode: nothing after Ctrl-Z exists
            m_nBufferPos = m_nBufferLen;
            break;
        }
        ++m_nBufferPos;
        m_bInRecord = true;
        if (m_bPendingCr && c != kLineFeed) {
            strPart.push_back(kCarriageReturn);
        }
        m_bPendingCr = false;
        if (c == kLineFeed) {
            m_bInRecord = false;
            bComplete = true;
            return Record;
        }
        if (c == kCarriageReturn) {
            m_bPendingCr = true;
        } else {
            strPart.push_back(c);
        }
    }
    if (m_bFailed) {
        strPart.clear();
        return ReadError;
    }
    if (m_bPendingCr) {
        strPart.push_back(kCarriageReturn); // a carriage return at the very end is kept
        m_bPendingCr = false;
    }
    const bool bGotAny = m_bInRecord;
    m_bInRecord = false;
    bComplete = true;
    return bGotAny ? Record : EndOfFile;
}

void CCodeFile::CloseIfOpen() {
    if (m_bOpen) {
        m_file.Close();
        m_bOpen = false;
    }
    m_nBufferPos = m_nBufferLen = 0;
    std::string().swap(m_strPath);
    std::vector<Block>().swap(m_blocks);
}

} // namespace vantoro
