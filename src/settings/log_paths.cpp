#include "settings/log_paths.h"

#include "base/text.h"

namespace rq {
namespace {

std::string_view DirectoryValueName(std::string_view logKind) {
  if (logKind == kActivity) return "Activity Log Directory";
  if (logKind == kDebug) return "Debug Log File Directory";
  if (logKind == kW3C) return "W3C Logging Directory";
  return {};
}

}  // namespace

std::string GetServiceKey(std::string_view connectorCode) {
  if (AsciiUpper(connectorCode) == "MTA") return std::string(kMtaKey);
  std::string key(kConnectorsKey);
  key += '\\';
  key += connectorCode;
  return key;
}

std::string GetLogDirectory(const Server& server, std::string_view connectorCode,
                            std::string_view logKind) {
  const SettingsStore& settings = server.settings();
  const std::int32_t forced = settings.GetRegistryNumber(kTrackerKey, "Force Log Locations");
  const std::string_view valueName = DirectoryValueName(logKind);
  if (valueName.empty()) return {};
  if (forced == 0) {
    const std::string own = settings.GetRegistryString(GetServiceKey(connectorCode), valueName);
    if (!own.empty()) return server.MapDirectory(own);
  }
  const std::string serverWide = settings.GetRegistryString(kServerKey, valueName);
  return server.Join(server.MapDirectory(serverWide), connectorCode);
}

std::string ZeroPad(int width, std::size_t length) {
  if (width < 0 || length >= static_cast<std::size_t>(width)) return {};
  return std::string(static_cast<std::size_t>(width) - length, '0');
}

std::string GetLogFilePath(std::string_view connectorCode, std::string_view logKind,
                           const Date& day) {
  auto part = [](int v) {
    const std::string digits = std::to_string(v);
    return ZeroPad(2, digits.size()) + digits;
  };
  std::string name(connectorCode == "SF" ? std::string_view("POC") : connectorCode);
  name += '-';
  name += logKind;
  name += '-';
  name += part(day.year - 2000);
  name += part(day.month);
  name += part(day.day);
  name += ".log";
  return name;
}

std::string GetLogFile(const Server& server, std::string_view connectorCode,
                       std::string_view logKind, const Date& day) {
  return server.Join(GetLogDirectory(server, connectorCode, logKind),
                     GetLogFilePath(connectorCode, logKind, day));
}

std::string GetConnectorRootDirectory(const Server& server) {
  return server.MapDirectory(
      server.settings().GetRegistryString(kConnectorsKey, "Connector Root Directory"));
}

std::string GetConnectorPath(const Server& server, std::string_view connector,
                             std::string_view subPath) {
  return server.Join(server.Join(GetConnectorRootDirectory(server), connector), subPath);
}

std::string GetConnectorFriendlyName(std::string_view connectorCode) {
  if (connectorCode == "SMTP") return "SMTP Connector (SMTP)";
  if (connectorCode == "SF") return "Postoffice Connector (SF)";
  if (connectorCode == "LS") return "List Server Connector (LS)";
  if (connectorCode == "POP") return "POP Retrieval Connector (POP)";
  return {};
}

std::string GetLogPrefixFromConnectorCode(std::string_view connectorCode) {
  if (AsciiUpper(connectorCode) == "SF") return "POC";
  return std::string(connectorCode);
}

}  // namespace rq
