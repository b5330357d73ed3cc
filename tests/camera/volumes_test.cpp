// The card box's list of volumes, from mounts files as the kernel writes them.
#include "platform/volumes.h"

#include <gtest/gtest.h>

namespace klv {
namespace {

TEST(Volumes, RemovableFirstPseudoLeftOut) {
  const char* mounts =
      "sysfs /sys sysfs rw,nosuid 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
      "/dev/nvme0n1p1 /boot/efi vfat rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "/dev/sda1 /home ext4 rw 0 0\n"
      "/dev/sdb1 /media/ann/CAM\\040CARD vfat rw,nosuid,nodev 0 0\n"
      "/dev/sdc1 /run/media/bob/KELVARN vfat ro 0 0\n"
      "/dev/sdd1 /mnt/card exfat rw 0 0\n"
      "tmpfs /run/media/bob tmpfs rw 0 0\n"
      "garbage\n"
      "\n";
  const std::vector<Volume> v = ParseVolumes(mounts);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0].mountPoint, "/media/ann/CAM CARD");
  EXPECT_EQ(v[0].label, "CAM CARD");
  EXPECT_TRUE(v[0].removable);
  EXPECT_EQ(v[1].mountPoint, "/run/media/bob/KELVARN");
  EXPECT_TRUE(v[1].readOnly);
  EXPECT_EQ(v[2].mountPoint, "/mnt/card");
  EXPECT_EQ(v[3].mountPoint, "/");
  EXPECT_FALSE(v[3].removable);
  EXPECT_EQ(v[4].mountPoint, "/home");
}

TEST(Volumes, LaterMountHidesEarlier) {
  const std::vector<Volume> v =
      ParseVolumes("/dev/sdb1 /media/u/X vfat rw 0 0\n/dev/sdc1 /media/u/X exfat ro 0 0\n");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].device, "/dev/sdc1");
}

TEST(Volumes, RemovablePlaces) {
  EXPECT_TRUE(IsRemovableMountPoint("/media/CARD"));
  EXPECT_TRUE(IsRemovableMountPoint("/run/media/u/CARD"));
  EXPECT_FALSE(IsRemovableMountPoint("/run/media/u"));
  EXPECT_FALSE(IsRemovableMountPoint("/media/"));
  EXPECT_FALSE(IsRemovableMountPoint("/mnt"));
  EXPECT_FALSE(IsRemovableMountPoint("/mediafoo/x"));
}

}  // namespace
}  // namespace klv
