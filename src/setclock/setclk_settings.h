#pragma once
#include <string>

#include "platform/ini_store.h"

namespace klv {

// KLVSetClk's remembered window position and last choices.
struct SetClkSettings {
  int x = -1;  // -1: keep the designed position
  int y = -1;
  int cDrive = 67;       // drive letter as its character code (Windows builds)
  std::string cardPath;  // the card's folder (key "szCardPath")
  int nInterval = 3600;  // seconds
  int nLightCutOff = 0;
  int nFlicker = 0;
};

inline constexpr char kSetClkIniName[] = "KLVSetClk.ini";

// The INI file to use: `overridePath` when given; else KLVSetClk.ini in the
// current folder when it can be opened for reading; else the one in the
// program's settings folder ($XDG_CONFIG_HOME/kelvarn, by default
// ~/.config/kelvarn), which is created on the first save.
std::string LocateSetClkIni(const std::string& overridePath);

// Reads the keys in their designed order; absent keys keep the defaults.
SetClkSettings ReadSetClkSettings(const IniStore& ini);
// Writes x, y, cDrive (and the card folder beside it), nInterval,
// nLightCutOff and nFlicker.
void WriteSetClkSettings(IniStore* ini, const SetClkSettings& s);

}  // namespace klv
