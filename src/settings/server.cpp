#include "settings/server.h"

#include "base/text.h"

namespace rq {

bool ParsePathMapping(std::string_view text, PathMapping& out) {
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) return false;
  out.windowsPrefix = std::string(text.substr(0, eq));
  // A prefix written with a final '\' means the same folder.
  while (out.windowsPrefix.size() > 1 && out.windowsPrefix.back() == '\\') {
    out.windowsPrefix.pop_back();
  }
  out.localDir = std::string(text.substr(eq + 1));
  return true;
}

std::string Server::MapDirectory(std::string_view stored) const {
  for (const PathMapping& m : mappings_) {
    const std::string_view prefix = m.windowsPrefix;
    if (stored.size() < prefix.size() ||
        !EqualsIgnoringAsciiCase(stored.substr(0, prefix.size()), prefix)) {
      continue;
    }
    if (stored.size() > prefix.size() && stored[prefix.size()] != '\\') continue;
    std::string out = m.localDir;
    for (char c : stored.substr(prefix.size())) out += c == '\\' ? '/' : c;
    return out;
  }
  return std::string(stored);
}

std::string Server::Join(std::string_view dir, std::string_view name) const {
  std::string out;
  out.reserve(dir.size() + 1 + name.size());
  out += dir;
  out += separator_;
  out += name;
  return out;
}

}  // namespace rq
