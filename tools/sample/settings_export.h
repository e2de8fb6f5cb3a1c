// The sample server's settings as the registry editor exports them.
#pragma once

#include <string>
#include <string_view>

namespace rq::sample {

// The Windows folder the sample server is installed in; the user maps it onto the sample
// directory with --map.
inline constexpr std::string_view kInstallDir = "C:\\Program Files (x86)\\Raven Quill";

// Settings of the sample server as a version 5.00 export: UTF-16LE with a byte-order mark, CR LF
// line ends, keys below the 32-bit view (WOW6432Node) as a 32-bit server writes them on 64-bit
// Windows.
std::string SettingsExport();

// The same text before encoding (UTF-8, CR LF), for tests and for reading.
std::string SettingsExportText();

}  // namespace rq::sample
