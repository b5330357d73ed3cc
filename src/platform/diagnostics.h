#pragma once
#include <string_view>

namespace klv {

// Where the decoders and the engine send diagnostics lines. The player's
// diagnostics window implements it; lines are kept only while it is visible.
class DiagnosticsSink {
 public:
  virtual ~DiagnosticsSink() = default;
  virtual bool Visible() const = 0;
  virtual void AddLine(std::string_view line) = 0;
};

}  // namespace klv
