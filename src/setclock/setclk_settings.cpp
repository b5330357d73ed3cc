#include "setclock/setclk_settings.h"

#include <cstdio>
#include <cstdlib>

namespace klv {

std::string LocateSetClkIni(const std::string& overridePath) {
  if (!overridePath.empty()) return overridePath;
  if (FILE* f = std::fopen(kSetClkIniName, "rb")) {
    std::fclose(f);
    std::string cwd;
    if (char* buf = ::realpath(".", nullptr)) {
      cwd = buf;
      std::free(buf);
      return cwd + "/" + kSetClkIniName;
    }
    return kSetClkIniName;
  }
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr && home[0] != '\0' ? home : ".") + "/.config";
  }
  return base + "/kelvarn/" + kSetClkIniName;
}

SetClkSettings ReadSetClkSettings(const IniStore& ini) {
  SetClkSettings s;
  s.x = ini.GetInt("window", "x", s.x);
  s.y = ini.GetInt("window", "y", s.y);
  s.cDrive = ini.GetInt("settings", "cDrive", s.cDrive);
  s.cardPath = ini.GetString("settings", "szCardPath");
  s.nInterval = ini.GetInt("settings", "nInterval", s.nInterval);
  s.nLightCutOff = ini.GetInt("settings", "nLightCutOff", s.nLightCutOff);
  s.nFlicker = ini.GetInt("settings", "nFlicker", s.nFlicker);
  return s;
}

void WriteSetClkSettings(IniStore* ini, const SetClkSettings& s) {
  ini->WriteInt("window", "x", s.x);
  ini->WriteInt("window", "y", s.y);
  ini->WriteInt("settings", "cDrive", s.cDrive);
  ini->WriteString("settings", "szCardPath", s.cardPath);
  ini->WriteInt("settings", "nInterval", s.nInterval);
  ini->WriteInt("settings", "nLightCutOff", s.nLightCutOff);
  ini->WriteInt("settings", "nFlicker", s.nFlicker);
}

}  // namespace klv
