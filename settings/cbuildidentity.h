#pragma once

// The build identity the About box shows. These are the texts of
// the documented build, fixed, not the date of the local compile.
namespace vantoro {

inline constexpr const char kBuildVersion[] = "1.23"
                                              ".KMT"; // reads 1.23.KMT
inline constexpr const char kBuildDate[] = "Jul 21 2008";
inline constexpr const char kBuildTime[] = "11:24:14";
inline constexpr const char kBuildNotice[] = "Copyright (C) the Vantoro developers.";

// The executable's own version, which --version, the package and the command-line program
// report; the About box keeps its documented text above.
inline constexpr const char kProgramVersion[] = VANTORO_VERSION;

} // namespace vantoro
