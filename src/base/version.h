// What every program says of itself: its version for --version, and the licence line that ends
// its --help.
#pragma once

#include <string>
#include <string_view>

namespace rq {

// "PROGRAM VERSION", with " (commit HASH)" when the build knew the commit it was built from, and
// the licence line below it. No line break at the end.
std::string VersionText(std::string_view program);

inline constexpr std::string_view kLicenceLine =
    "Copyright 2026 The RQTracker developers; free software under the MIT licence.";

}  // namespace rq
