#include "app/core/rounds/schedule.h"

namespace bq::app {

std::string HoursText(std::uint32_t hours) {
  std::string out;
  for (int h = 0; h < 24; ++h) {
    if (((hours >> h) & 1u) == 0) continue;
    if (!out.empty()) out += ',';
    out += std::to_string(h);
  }
  return out;
}

bool ParseHours(std::string_view text, std::uint32_t& hours) {
  std::uint32_t mask = 0;
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && text[i] == ' ') ++i;
    int h = 0, digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3; ++i, ++digits) h = h * 10 + (text[i] - '0');
    if (digits == 0 || h > 23) return false;
    mask |= 1u << h;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) break;
    if (text[i++] != ',') return false;
  }
  hours = mask;
  return true;
}

std::uint32_t NextRoundTime(std::uint32_t hours, int minute, std::uint32_t now) {
  if ((hours & kAllHours) == 0 || minute < 0 || minute > 59) return 0;
  std::uint64_t start = static_cast<std::uint64_t>(now) / 3600 * 3600;
  // The hour now and the next 24: one of them holds the next round.
  for (int k = 0; k <= 24; ++k) {
    std::uint64_t t = start + static_cast<std::uint64_t>(k) * 3600 + static_cast<std::uint64_t>(minute) * 60;
    if (t <= now || t > 0xFFFFFFFFull) continue;
    if ((hours >> ((t / 3600) % 24)) & 1u) return static_cast<std::uint32_t>(t);
  }
  return 0;
}

}  // namespace bq::app
