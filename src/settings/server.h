// What the program knows of the server it examines: its settings store, how directories stored
// in the settings map onto this machine's file system, and how this platform joins paths.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings_store.h"

namespace rq {

// One --map WINPATH=DIR rule.
struct PathMapping {
  std::string windowsPrefix;  // e.g. C:\Program Files\Raven Quill
  std::string localDir;       // e.g. /srv/rq
};

// Parses "WINPATH=DIR" (split at the first '='); false when either side is empty.
bool ParsePathMapping(std::string_view text, PathMapping& out);

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

class Server {
 public:
  explicit Server(const SettingsStore& settings, std::vector<PathMapping> mappings = {},
                  char separator = kPathSeparator)
      : settings_(settings), mappings_(std::move(mappings)), separator_(separator) {}

  const SettingsStore& settings() const { return settings_; }
  char separator() const { return separator_; }

  // A directory read from the settings as this machine reaches it: the first mapping whose
  // prefix starts it (letter case aside, followed by '\' or its end) replaces that prefix, and
  // every '\' in the rest becomes '/'. Directories no mapping names are used as stored.
  std::string MapDirectory(std::string_view stored) const;

  // dir, the separator, name.
  std::string Join(std::string_view dir, std::string_view name) const;

 private:
  const SettingsStore& settings_;
  std::vector<PathMapping> mappings_;
  char separator_;
};

}  // namespace rq
