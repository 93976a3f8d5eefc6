// A chunked body fed whole and fed in pieces (the first byte picks the piece
// size) must give the same bytes and the same end state.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "web/dechunk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t step = data[0] % 17 + 1;
  const char* body = reinterpret_cast<const char*>(data + 1);
  size_t n = size - 1;
  std::string whole, pieces;
  bq::TDechunker a([&](const char* p, size_t k) { whole.append(p, k); });
  bq::TDechunker b([&](const char* p, size_t k) { pieces.append(p, k); });
  a.Feed(body, n);
  for (size_t i = 0; i < n; i += step) b.Feed(body + i, std::min(step, n - i));
  if (whole != pieces || a.Done() != b.Done() || a.Failed() != b.Failed()) std::abort();
  if (whole.size() > n) std::abort();
  return 0;
}
