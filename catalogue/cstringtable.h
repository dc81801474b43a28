#pragma once

#include <string>

// The program's string table: every product text, file filter, line constant,
// completion text and several settings key names, keyed by a 16-bit ID. Texts are byte for
// byte those of the behaviour description; "\n" in a text is the single byte 0x0A.
namespace vantoro {

// Returns true and sets strText when nId has a string; returns false and leaves strText
// unchanged otherwise (ID 0 and negative IDs included).
bool LoadStringId(int nId, std::string& strText);

// The text of nId, or the empty text when the table has none.
std::string StringFromId(int nId);

// IDs of the settings-key rows and of the one unused menu text.
enum StringId : int {
    IDS_ABOUTBOX = 101,         // "&About Vantoro...", used by nothing
    IDS_KEY_VARIANT = 126,      // "VARIANT" (the per-platform keys use their own fixed text)
    IDS_KEY_COMS = 127,         // "COMS", used by nothing
    IDS_KEY_PORT = 129,         // "PORT"
    IDS_SECTION_APP = 130,      // "APP"
    IDS_KEY_PLATFORM = 131,     // "PLATFORM"
    IDS_KEY_VARIANT_FILE = 132, // "VARIANT_FILE" (the per-platform keys use their own fixed text)
    IDS_KEY_LOG_FLAGS = 133,    // "LOG_FLAGS"
    IDS_KEY_LOG = 134,          // "LOG"
    IDS_KEY_REPLY_TIMEOUT = 163 // "QVR Series": the key of the reply time-out in seconds
};

} // namespace vantoro
