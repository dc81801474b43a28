#pragma once

// The build identity: what --version, the package and the About box say, so that a technician
// quoting the About box quotes the version that is really running.
namespace vantoro {

// The executable's own version, from the project.
inline constexpr const char kProgramVersion[] = VANTORO_VERSION;
// When this build was configured (UTC; SOURCE_DATE_EPOCH fixes it for reproducible builds).
inline constexpr const char kBuildDate[] = VANTORO_BUILD_DATE;
inline constexpr const char kBuildTime[] = VANTORO_BUILD_TIME;
inline constexpr const char kBuildNotice[] = "Copyright (C) the Vantoro developers.";

} // namespace vantoro
