#pragma once
// Reading RSS 0.9x, 1.0 (RDF), 2.0 and Atom 1.0 feeds into items ready to
// become articles, and finding the feed a page names.
//
// Item fields, Shift_JIS (characters Shift_JIS lacks become "〓"):
//   id      guid / atom:id / rdf:about; else the link; else the title
//   title   title (Atom type="html"/"xhtml" as text); else the body's first line
//   author  author (RSS: a mail address, Atom: author/name), dc:creator
//   date    pubDate (RFC 822), dc:date, Atom published, else updated
//   body    content:encoded, Atom content, description or Atom summary, the
//           first that is there; HTML (RSS always, Atom type="html" or
//           "xhtml") turned into text by the system's tag rules, numeric
//           character references decoded first
//   link    link (Atom: rel="alternate" or none, resolved against the feed);
//           else an RSS guid that is a permalink
// A fault (not well-formed text, an entity declaration, too many items)
// ends the reading: the items read before it are kept and error says why.
#include <string>
#include <string_view>
#include <vector>

#include "textlib/dates.h"

namespace bq::feed {

struct FeedItem {
  std::string id, title, author, body, link;
  Date date = 0;
};

struct Feed {
  std::string title;  // channel or feed title
  std::string link;   // the site the feed belongs to
  std::vector<FeedItem> items;
  bool isFeed = false;  // the root element was rss, rdf:RDF or feed
  std::string error;    // empty when the whole document was read (Shift_JIS)
};

// address is the feed's own address, the base of relative links.
Feed ReadFeed(std::string_view bytes, std::string_view address = {});

// True when the document's first element is rss, RDF, feed or channel:
// a feed rather than a page.
bool LooksLikeFeed(std::string_view bytes);

// The feed a page names in <link rel="alternate" type="application/rss+xml"
// (or atom+xml, rdf+xml) href="...">, resolved against the page's address;
// empty when it names none.
std::string FindFeedLink(std::string_view html, std::string_view pageAddress);

// HTML as text by the system's tag rules (default table, strip mode 0),
// after numeric character references and the common named ones are
// decoded. In and out: UTF-8 in, Shift_JIS out.
std::string HtmlToText(std::string_view utf8Html);

}  // namespace bq::feed
