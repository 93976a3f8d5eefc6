#pragma once
// The dates of feeds, as the system's dates (seconds since 1970 in local
// time, UTC+9; 0 = none).
//
// RFC 822 (RSS pubDate), the weekday optional, two-digit years in 1950-2049:
//   Sat, 07 Sep 2002 00:00:01 GMT     Sat, 7 Sep 2002 09:00 +0900
//   07 Sep 02 00:00:01 EST            zones UT GMT Z EST EDT CST CDT MST MDT
//                                     PST PDT JST, +hhmm / -hhmm; none: UTC
// ISO 8601 / W3C-DTF (dc:date, Atom updated and published):
//   2002-09-07T09:00:01+09:00         2002-09-07T00:00:01.25Z
//   2002-09-07T09:00+0900             2002-09-07 09:00:01 (no zone: local)
//   2002-09-07   2002-09   2002       (the missing parts as 1, midnight local)
// Anything else, a day its month lacks or a moment outside the date's range
// gives 0.
#include <string_view>

#include "textlib/dates.h"

namespace bq::feed {

Date ReadRfc822Date(std::string_view text);
Date ReadIsoDate(std::string_view text);
// Either form: the one the text looks like, else the other.
Date ReadFeedDate(std::string_view text);

}  // namespace bq::feed
