#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace klv {

// A mounted file system that could stand for the camera's card.
struct Volume {
  std::string mountPoint;
  std::string device;
  std::string fsType;
  bool removable = false;  // mounted where desktops put removable media
  bool readOnly = false;
  std::string label;  // the mount point's last name ("/" for the root)
};

// Volumes from the text of /proc/self/mounts: removable media first
// (/media/*, /run/media/*/*, /mnt/*), then other file systems on block
// devices; kernel and pseudo file systems are left out. A mount point listed
// twice keeps its last entry, which is the one in force.
std::vector<Volume> ParseVolumes(std::string_view mountsText);

// The machine's volumes now; mount points that are not folders (files bound
// into a container) are left out.
std::vector<Volume> ListVolumes();

// True for a mount point where desktops mount removable media.
bool IsRemovableMountPoint(std::string_view mountPoint);

}  // namespace klv
