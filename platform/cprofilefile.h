#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Linux stand-ins for the Windows private-profile (INI file) functions the settings code uses.
//
// File format: classic INI text. "[Section]" lines open a section; "Key=Value" lines hold values;
// lines starting with ';' are comments. Section and key names match without regard to case
// (ASCII folding); blanks around names and values are ignored, as the Windows functions do;
// the value text is otherwise returned exactly as stored. The first matching section and the
// first matching key win when a name occurs twice. Lines may end in LF or CRLF.
//
// None of these functions throws; failures fall back to the default (reads) or return false
// (writes).
namespace vantoro {

// The buffer the program reads texts into: a longer value comes back cut to 4095 characters
// (the buffer also holds the terminator, as with GetPrivateProfileStringA).
constexpr std::size_t kProfileBufferSize = 4096;

// GetPrivateProfileStringA: the value of strKey in strSection of strFile, cut to
// kProfileBufferSize - 1 characters; strDefault when the file, the section or the key is missing.
std::string GetPrivateProfileString(const std::string& strSection, const std::string& strKey,
                                    const std::string& strDefault, const std::string& strFile);

// GetPrivateProfileSectionA: every key of the first section named strSection, in file order,
// with its value; a key that occurs twice is listed once, with its first value. Empty when the
// file or the section is missing.
std::vector<std::pair<std::string, std::string>>
GetPrivateProfileSection(const std::string& strSection, const std::string& strFile);

// GetPrivateProfileIntA: leading blanks, an optional sign, then decimal digits up to the first
// other character; nDefault when the key is missing or holds no digit. The result is unsigned
// 32 bits, as on Windows: "-5" gives 0xFFFFFFFB, digits beyond 32 bits wrap.
std::uint32_t GetPrivateProfileInt(const std::string& strSection, const std::string& strKey,
                                   int nDefault, const std::string& strFile);

// WritePrivateProfileStringA: sets strKey=strValue in strSection of strFile. Creates the file
// and the section when missing (a new section goes at the end of the file), replaces the value
// of an existing key in place (the key keeps its stored spelling and position), appends a new
// key after the last key of its section, and keeps every other line, comment and key order.
// The new content is written to a temporary file in the same folder, flushed to disk (fsync)
// and renamed over the old file, so a crash never leaves a damaged file. Returns false, and
// leaves the old file untouched, when anything fails (folder missing or not writable, ...) or
// when ProfileFileNotWritableReason gives a reason. Programs saving at once take turns under a
// lock on the folder, each reading the file afresh, so no key one of them wrote is lost. Through
// a symbolic link the target is replaced, keeping its owner, group and mode.
bool WritePrivateProfileString(const std::string& strSection, const std::string& strKey,
                               const std::string& strValue, const std::string& strFile);

// A settings file is small; anything bigger is damaged and read as missing (defaults), and a
// save never replaces it. Anything that is no regular file is treated the same way.
constexpr std::size_t kMaxProfileFileSize = 1024 * 1024;

// Why a save to strFile would be refused although the file is there: it is read-only (also for
// root: the mode bits are its owner's wish), it is no regular file, or it is too large. Empty
// when a save may go ahead. Saves through a symbolic link are judged by its target.
std::string ProfileFileNotWritableReason(const std::string& strFile);

// scanf("%d") on the start of strText: leading blanks, optional sign, at least one digit.
// Returns false (nValue unchanged) when no number can be read, or when it does not fit an int.
bool ScanDecimalInt(const std::string& strText, int& nValue);

// As ScanDecimalInt, into 64 bits; a number beyond the 64-bit range saturates.
bool ScanDecimalInt64(const std::string& strText, std::int64_t& nValue);

} // namespace vantoro
