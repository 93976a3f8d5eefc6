#pragma once
// Comma text: the item list format of the settings file values.
//
// Accepted forms (reading):
//   a,b,c            items separated by commas
//   a b  c           or by blanks and control characters outside quotes
//   "a, b",c         a quoted item may hold commas and blanks
//   "say ""hi"""     a doubled quote inside quotes stands for one quote
//   a,,              empty items between and after commas are kept
// Writing quotes every item that holds a blank, a control character, a
// comma or a quote; items are joined with commas.
#include <string>
#include <string_view>
#include <vector>

namespace bq {

std::vector<std::string> SplitCommaText(std::string_view text);
std::string JoinCommaText(const std::vector<std::string>& items);

}  // namespace bq
