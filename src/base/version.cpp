#include "base/version.h"

#include "build_info.h"

namespace rq {

std::string VersionText(std::string_view program) {
  std::string text(program);
  text += " " RQ_BUILD_VERSION;
  constexpr std::string_view commit = RQ_BUILD_COMMIT;
  if (!commit.empty()) {
    text += " (commit ";
    text += commit;
    text += ')';
  }
  text += '\n';
  text += kLicenceLine;
  return text;
}

}  // namespace rq
