#include "platform/ini_store.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/output_file.h"

namespace klv {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

int LeadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    neg = text[i] == '-';
    ++i;
  }
  long long v = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    v = v * 10 + (text[i] - '0');
    if (v > INT_MAX) v = static_cast<long long>(INT_MAX) + 1;  // saturate
    ++i;
  }
  if (neg) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

bool IniStore::Load() {
  sections_.clear();
  std::ifstream in(path_, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  LoadFromString(ss.str());
  return true;
}

void IniStore::LoadFromString(std::string_view text) {
  sections_.clear();
  sections_.push_back(Section{});
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    pos = end + 1;
    std::string_view t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
      size_t close = t.find(']');
      Section s;
      s.name = std::string(Trim(t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1)));
      sections_.push_back(std::move(s));
      continue;
    }
    Line line;
    line.text = std::string(raw);
    size_t eq = t.find('=');
    if (!t.empty() && t.front() != ';' && eq != std::string_view::npos) {
      line.key = std::string(Trim(t.substr(0, eq)));
      line.value = std::string(Trim(t.substr(eq + 1)));
    }
    sections_.back().lines.push_back(std::move(line));
  }
}

const IniStore::Line* IniStore::Find(std::string_view section, std::string_view key) const {
  for (const Section& s : sections_) {
    if (s.name.empty() || !EqualNoCase(s.name, section)) continue;
    for (const Line& l : s.lines)
      if (!l.key.empty() && EqualNoCase(l.key, key)) return &l;
  }
  return nullptr;
}

bool IniStore::Has(std::string_view section, std::string_view key) const {
  return Find(section, key) != nullptr;
}

int IniStore::GetInt(std::string_view section, std::string_view key, int def) const {
  const Line* l = Find(section, key);
  if (l == nullptr || l->value.empty()) return def;
  return LeadingInt(l->value);
}

std::string IniStore::GetString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  const Line* l = Find(section, key);
  return l ? l->value : std::string(def);
}

void IniStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* target = nullptr;
  for (Section& s : sections_) {
    if (!s.name.empty() && EqualNoCase(s.name, section)) {
      target = &s;
      for (Line& l : s.lines) {
        if (!l.key.empty() && EqualNoCase(l.key, key)) {
          l.value = std::string(value);
          l.text = l.key + "=" + l.value;
          return;
        }
      }
      break;
    }
  }
  if (target == nullptr) {
    if (sections_.empty()) sections_.push_back(Section{});
    Section s;
    s.name = std::string(section);
    sections_.push_back(std::move(s));
    target = &sections_.back();
  }
  // New keys go after the section's last key, before trailing blank lines.
  size_t at = target->lines.size();
  while (at > 0 && Trim(target->lines[at - 1].text).empty()) --at;
  Line l;
  l.key = std::string(key);
  l.value = std::string(value);
  l.text = l.key + "=" + l.value;
  target->lines.insert(target->lines.begin() + static_cast<long>(at), std::move(l));
}

void IniStore::WriteInt(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

std::string IniStore::ToString() const {
  std::string out;
  for (const Section& s : sections_) {
    if (!s.name.empty()) out += "[" + s.name + "]\n";
    for (const Line& l : s.lines) out += l.text + "\n";
  }
  return out;
}

bool IniStore::Save() const {
  if (path_.empty()) return false;
  std::error_code ec;
  const std::filesystem::path target(path_);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  return WriteFileAtomically(path_, ToString());
}

}  // namespace klv
