// The settings file parser: any bytes give a store or one SettingsFileError naming the file and
// line, and a store answers every question without failing.
#include <string>

#include "fuzz_support.h"
#include "settings/log_paths.h"
#include "settings/reg_file_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const rq::RegFileStore store = rq::RegFileStore::FromBytes(bytes, "fuzz.reg");
    const rq::Server server(store, {{"C:\\RQ", "/srv/rq"}});
    for (const char* code : {"SMTP", "MTA", "SF", "LS", "mta"}) {
      for (const char* kind : {"Activity", "Debug", "W3C"}) {
        (void)rq::GetLogDirectory(server, code, kind);
      }
    }
    (void)rq::GetConnectorPath(server, "SMTP", "Inbound");
    (void)store.GetRegistryNumber(rq::kTrackerKey, "Force Log Locations");
    // A value name or key path taken from the input itself is looked up as well.
    const std::string_view tail = bytes.substr(bytes.size() / 2);
    (void)store.GetRegistryString(tail, tail);
    (void)store.GetRegistryNumber(tail, tail);
  } catch (const rq::SettingsFileError& e) {
    const std::string what = e.what();
    RQ_FUZZ_CHECK(what.rfind("fuzz.reg:", 0) == 0);
  }
  return 0;
}
