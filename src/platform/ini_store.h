#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace klv {

// A settings file with the semantics of the Windows private-profile functions:
// sections and keys match without regard to case, integers are read as a
// leading decimal number with the caller's default for a missing or empty
// value, lines the program does not know are kept as they are. Changes are
// held in memory until Save(), which replaces the file atomically.
class IniStore {
 public:
  IniStore() = default;
  explicit IniStore(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  // Reads the file; a missing or unreadable file leaves the store empty.
  // Returns true when the file was read.
  bool Load();
  // Parses text as the file's contents (tests, and Load itself).
  void LoadFromString(std::string_view text);

  int GetInt(std::string_view section, std::string_view key, int def) const;
  // Empty string when absent.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view def = {}) const;
  bool Has(std::string_view section, std::string_view key) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, int value);

  std::string ToString() const;
  // Writes to a temporary file beside the target and renames it into place,
  // creating the folder when needed. False when anything fails; the old
  // file is then left as it was.
  bool Save() const;

 private:
  struct Line {
    std::string text;      // the line as stored (for unknown lines and comments)
    std::string key;       // key name as written, empty for non-key lines
    std::string value;
  };
  struct Section {
    std::string name;      // as written; empty for lines before the first section
    std::vector<Line> lines;
  };
  const Line* Find(std::string_view section, std::string_view key) const;

  std::string path_;
  std::vector<Section> sections_;
};

// Parses a leading decimal integer the way the profile functions do: leading
// blanks, an optional sign, digits. No digits gives 0.
int LeadingInt(std::string_view text);

}  // namespace klv
