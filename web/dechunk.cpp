#include "web/dechunk.h"

#include "textlib/limits.h"

namespace bq {

bool TDechunker::EndSizeLine() {
  std::string_view s = line_;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  s = s.substr(0, s.find(';'));
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (s.empty() || s.size() > 15) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint64_t>(d);
  }
  line_.clear();
  left_ = v;
  state_ = v == 0 ? kTrailer : kData;
  return true;
}

bool TDechunker::Feed(const char* data, size_t n) {
  size_t i = 0;
  while (i < n) {
    switch (state_) {
      case kSize:
        if (data[i] == '\n') {
          if (!EndSizeLine()) state_ = kFailed;
        } else if (line_.size() >= limits::kMaxHttpChunkLine) {
          state_ = kFailed;
        } else {
          line_.push_back(data[i]);
        }
        ++i;
        break;
      case kData: {
        size_t take = static_cast<size_t>(std::min<std::uint64_t>(left_, n - i));
        sink_(data + i, take);
        i += take;
        left_ -= take;
        if (left_ == 0) state_ = kDataEnd;
        break;
      }
      case kDataEnd:
        if (data[i] == '\n') {
          state_ = kSize;
          line_.clear();
        } else if (data[i] != '\r' || !line_.empty()) {
          state_ = kFailed;
        } else {
          line_.push_back('\r');
        }
        ++i;
        break;
      case kTrailer:
        if (data[i] == '\n') {
          bool empty = line_.empty() || line_ == "\r";
          line_.clear();
          if (empty) state_ = kDone;
        } else if (line_.size() >= limits::kMaxHttpChunkLine) {
          state_ = kFailed;
        } else {
          line_.push_back(data[i]);
        }
        ++i;
        break;
      case kDone:
        return true;
      case kFailed:
        return false;
    }
  }
  return state_ != kFailed;
}

}  // namespace bq
