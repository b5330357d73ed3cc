#pragma once

namespace klv::tool {

// klvtool write-settings: writes the camera settings file onto a folder
// standing for the card, for the player's or the clock tool's profile.
// argv[0..argc) are the arguments after the command name. Returns 0 on
// success, 1 when the file cannot be written (one line on stderr starting
// "klvtool: "), 2 on a usage error.
int RunWriteSettings(int argc, char** argv);

// The command's usage text, for klvtool's help.
extern const char kWriteSettingsUsage[];

}  // namespace klv::tool
