#pragma once
// Every buffer that grows from outside input has a named cap, and all of the
// caps live here so they can be read and tuned in one place.
#include <cstddef>
#include <cstdint>

namespace bq::limits {

// Source files and scripts.
inline constexpr std::size_t kMaxScriptFile = 64u << 20;      // a .pss file read for compile or INCLUDE
inline constexpr int kMaxIncludeDepth = 16;                    // nested INCLUDE levels
inline constexpr std::size_t kMaxScriptNesting = 200;          // nested statements, blocks and parentheses
inline constexpr std::size_t kMaxScriptCode = 16u << 20;       // instructions in one code image

// Files read whole by the file layer.
inline constexpr std::size_t kMaxReadFile = 1u << 30;
inline constexpr std::size_t kMaxViewerFile = 64u << 20;  // a help page or the round log shown in the program's own viewer

// The script machine.
inline constexpr std::size_t kMaxScriptText = 256u << 20;  // one text built by a script (concatenation, padding, files)
inline constexpr int kMaxScriptStack = 1 << 20;            // value stack slots (runaway recursion)
// What one run of a script may leave behind; the settings PRINTLIMIT
// (kilobytes) and ARTICLELIMIT change them.
inline constexpr std::int32_t kDefaultPrintLimitKb = 64 << 10;  // the print text PRINT appends to
inline constexpr std::int32_t kDefaultArticleLimit = 200000;    // articles PUTLOG adds to the log

// Pattern matcher: each '*' that is not last in its alternative starts a
// search of the rest of the pattern; deeper chains than this find nothing.
inline constexpr int kMaxPatternStarDepth = 1000;
// Settings and web access.
inline constexpr std::size_t kMaxSettingsFile = 1u << 20;      // the settings file read at start-up
inline constexpr std::size_t kMaxHttpLine = 16u << 10;         // one status or header line of a reply
inline constexpr std::size_t kMaxHttpHeader = 256u << 10;      // all header lines of one reply
inline constexpr std::size_t kMaxHttpBody = 128u << 20;        // a reply body captured into memory
inline constexpr std::uint64_t kMaxHttpFile = 4ull << 30;      // a reply body captured into a file
inline constexpr std::size_t kMaxHttpChunkLine = 1u << 10;     // a chunk-size line of a chunked body
inline constexpr std::size_t kMaxCookie = 4u << 10;          // a cookie kept from a redirect reply
inline constexpr std::size_t kMaxSetCookie = 8u << 10;       // one Set-Cookie value taken into a cookie jar
inline constexpr std::size_t kMaxSetCookies = 50;            // Set-Cookie lines of one reply kept for the jar
inline constexpr std::size_t kMaxCookiesPerDomain = 50;      // cookies of one domain in a jar
inline constexpr std::size_t kMaxCookies = 1000;             // cookies in one jar
inline constexpr std::size_t kMaxCookieFile = 1u << 20;      // a cookie file read back
inline constexpr std::size_t kMaxLocation = 8u << 10;        // a redirect address
inline constexpr std::size_t kMaxRequestPath = 8u << 10;     // the path of a request line
inline constexpr int kMaxRedirects = 10;                       // redirect hops of one page operation
inline constexpr std::size_t kMaxCacheIndex = 64u << 20;       // the cache index read into memory
inline constexpr std::size_t kMaxCachedPage = 128u << 20;      // one cache file read back

// Feeds and subscription lists (XML read with a streaming parser that
// refuses entity declarations). A feed's body is read up to kMaxFeedBody and
// the rest left on the server; items past kMaxFeedItems are not read.
inline constexpr std::size_t kMaxFeedBody = 16u << 20;
inline constexpr std::size_t kMaxFeedItems = 5000;
inline constexpr std::size_t kMaxFeedField = 1u << 20;  // the text of one element of an item
inline constexpr std::size_t kMaxXmlDepth = 256;       // nested elements of one document
inline constexpr std::size_t kMaxOpmlFile = 16u << 20;
inline constexpr std::size_t kMaxOpmlOutlines = 20000;
// A command word handed to the running desktop instance by a second start.
inline constexpr std::size_t kMaxInstanceWord = 4096;

// Site folder files. A node file or root definition larger than this is no
// definition at all; a log larger than this is reported as unreadable.
inline constexpr std::size_t kMaxNodeFile = 1u << 20;
inline constexpr std::size_t kMaxRootDef = 1u << 20;
inline constexpr std::size_t kMaxLogFile = 1u << 30;

}  // namespace bq::limits
