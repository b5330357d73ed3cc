// The one place that knows every kind of movie.

#include "engine/avi_source.h"
#include "engine/movie_source.h"
#include "engine/stream_source.h"
#include "engine/ztm_source.h"

namespace klv {

std::unique_ptr<MovieSource> CreateSource(SourceKind kind, Player& player) {
  switch (kind) {
    case SourceKind::Avi:
      return std::make_unique<AviSource>(player);
    case SourceKind::Stream:
      return std::make_unique<StreamSource>(player);
    case SourceKind::Ztm:
      return std::make_unique<ZtmSource>(player);
    case SourceKind::None:
      break;
  }
  return nullptr;
}

}  // namespace klv
