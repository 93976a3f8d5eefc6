#pragma once
// The fixed vocabulary of the script language: token codes, the keyword,
// operator and single-character tables, and the builtin name table
// (TCmdTable). Defined once here; the lexer, the compiler and the listing all
// read these tables.
#include <array>
#include <cstdint>
#include <string_view>

namespace bq::script {

// Token codes.
namespace tok {
inline constexpr std::uint8_t kOther = 0;  // any other character; end of text (empty text)
inline constexpr std::uint8_t kScript = 1, kProcdef = 2, kFuncdef = 3, kType = 4, kConst = 5;
inline constexpr std::uint8_t kIdent = 6, kNumber = 7, kSingleQuoted = 8, kDoubleQuoted = 9;
inline constexpr std::uint8_t kParam = 10;      // $digits, $#, $%
inline constexpr std::uint8_t kArrayName = 11;  // identifier followed by '['
inline constexpr std::uint8_t kCallName = 12;   // identifier followed by '(' or a defined procedure/function
inline constexpr std::uint8_t kBuiltin = 13;
inline constexpr std::uint8_t kInteger = 14, kString = 15, kTrue = 16, kFalse = 17;
inline constexpr std::uint8_t kColon = 18, kDoubleColon = 19, kComma = 20, kSemicolon = 21;
inline constexpr std::uint8_t kLBrace = 22, kRBrace = 23, kLParen = 24, kRParen = 25;
inline constexpr std::uint8_t kLBracket = 26, kRBracket = 27, kDollar = 28, kPercent = 29;
inline constexpr std::uint8_t kQuote = 30, kDoubleQuote = 31, kPeriod = 32, kRange = 33;
inline constexpr std::uint8_t kAssign = 34, kEq = 35, kNe = 36, kGt = 37, kLt = 38, kGe = 39, kLe = 40;
inline constexpr std::uint8_t kPlus = 41, kMinus = 42, kStar = 43, kSlash = 44, kMod = 45;
inline constexpr std::uint8_t kAnd = 46, kOr = 47, kXor = 48, kNot = 49, kShl = 50, kShr = 51;
inline constexpr std::uint8_t kBegin = 52, kEnd = 53, kIf = 54, kThen = 55, kElse = 56, kElsif = 57;
inline constexpr std::uint8_t kExit = 58, kInclude = 59, kFor = 60, kTo = 61, kDownto = 62, kStep = 63;
inline constexpr std::uint8_t kForeach = 64, kCase = 65, kOf = 66, kRepeat = 67, kUntil = 68;
inline constexpr std::uint8_t kWhile = 69, kDo = 70, kIn = 71, kNext = 72, kBreak = 73, kReturn = 74;
}  // namespace tok

struct NamedCode {
  std::string_view name;
  std::uint8_t code;
};

// Keywords, searched in this order by exact match of the upper-cased word.
inline constexpr NamedCode kKeywords[] = {
    {"AND", tok::kAnd},         {"BEGIN", tok::kBegin},     {"BREAK", tok::kBreak},     {"CASE", tok::kCase},
    {"CONST", tok::kConst},     {"DIV", tok::kSlash},       {"DO", tok::kDo},           {"DOWNTO", tok::kDownto},
    {"ELSE", tok::kElse},       {"ELSIF", tok::kElsif},     {"END", tok::kEnd},         {"EXIT", tok::kExit},
    {"FALSE", tok::kFalse},     {"FOREACH", tok::kForeach}, {"FOR", tok::kFor},         {"FUNCDEF", tok::kFuncdef},
    {"HALT", tok::kExit},       {"IF", tok::kIf},           {"INCLUDE", tok::kInclude}, {"IN", tok::kIn},
    {"INTEGER", tok::kInteger}, {"MOD", tok::kMod},         {"NEXT", tok::kNext},       {"NOT", tok::kNot},
    {"OF", tok::kOf},           {"OR", tok::kOr},           {"PROCDEF", tok::kProcdef}, {"REPEAT", tok::kRepeat},
    {"RETURN", tok::kReturn},   {"SCRIPT", tok::kScript},   {"SHL", tok::kShl},         {"SHR", tok::kShr},
    {"STEP", tok::kStep},       {"STRING", tok::kString},   {"THEN", tok::kThen},       {"TO", tok::kTo},
    {"TRUE", tok::kTrue},       {"TYPE", tok::kType},       {"UNTIL", tok::kUntil},     {"WHILE", tok::kWhile},
    {"XOR", tok::kXor}};
static_assert(std::size(kKeywords) == 41, "41 keywords");

// Two-character operators, tried in this order before anything else.
inline constexpr NamedCode kOperators[] = {{">=", tok::kGe}, {"<=", tok::kLe}, {"<>", tok::kNe}, {"<<", tok::kShl},
                                           {">>", tok::kShr}, {":=", tok::kAssign}, {"!=", tok::kNe}, {"..", tok::kRange}};
static_assert(std::size(kOperators) == 8, "8 two-character operators");

// Single characters and their codes, in table order.
inline constexpr std::string_view kSingleChars = "=,+-*/;{}()[]:$%'\"<>.";
inline constexpr std::uint8_t kSingleCharCodes[] = {
    tok::kEq, tok::kComma, tok::kPlus, tok::kMinus, tok::kStar, tok::kSlash, tok::kSemicolon,
    tok::kLBrace, tok::kRBrace, tok::kLParen, tok::kRParen, tok::kLBracket, tok::kRBracket, tok::kColon,
    tok::kDollar, tok::kPercent, tok::kQuote, tok::kDoubleQuote, tok::kLt, tok::kGt, tok::kPeriod};
static_assert(std::size(kSingleCharCodes) == 21 && kSingleChars.size() == 21, "21 single characters");

// Builtin codes.
namespace bi {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kListClip = 1, kListIndexLink = 2, kListWrapStr = 3, kListSplit = 4, kListTopics = 5;
inline constexpr std::uint8_t kListLines = 6, kListCsv = 7, kListImgSrc = 8;
inline constexpr std::uint8_t kGet = 9, kSubmit = 10, kHead = 11, kReadLink = 12, kBrowse = 13, kDownload = 14;
inline constexpr std::uint8_t kClip = 15, kStrip = 16, kPack = 17, kUnpack = 18, kLoadF = 19, kSaveF = 20;
inline constexpr std::uint8_t kInit = 21, kDeleteFile = 22, kRenameFile = 23, kSwap = 24, kIsDigit = 25;
inline constexpr std::uint8_t kIsSjis = 26, kLength = 27, kInc = 28, kDec = 29, kTrim = 30, kInt2Str = 31;
inline constexpr std::uint8_t kUpper = 32, kLower = 33, kTagUpperCase = 34, kExpandStr = 35, kTableStrip = 36;
inline constexpr std::uint8_t kTagStripSet = 37, kAppFolder = 38, kLibFolder = 39, kDataFolder = 40;
inline constexpr std::uint8_t kLogCount = 41, kSysDate = 42, kDocDate = 43, kUrl = 44, kClipboardValue = 45;
inline constexpr std::uint8_t kPutLog = 46, kPrint = 48, kMessage = 49, kExitMessage = 50, kInput = 51;
inline constexpr std::uint8_t kLogDel = 52, kLogRemove = 53, kLogSort = 54, kSleep = 55, kClipboard = 56;
inline constexpr std::uint8_t kDateFormat = 57, kFormatDate = 58, kTextPos = 59, kUrlNum = 60, kHref = 61;
inline constexpr std::uint8_t kLinks = 62, kDecodeUrl = 63, kCsv = 65, kShiftCsv = 66, kSkipTo = 67;
inline constexpr std::uint8_t kSortCsv = 68, kPageClip = 69, kSubStr = 70, kDelete = 71, kReplace = 72;
inline constexpr std::uint8_t kRegExpr = 73, kWrapStr = 75, kHash = 76, kDecodeDate = 77, kImgSrc = 78;
inline constexpr std::uint8_t kFrameSrc = 79, kShowWindow = 80;
}  // namespace bi

// TCmdTable: builtin names and codes, searched in this order. Code 0 means
// the name is no builtin (URLTOLOCAL lexes as an identifier).
inline constexpr NamedCode TCmdTable[] = {
    {"LOADF", bi::kLoadF},           {"SAVEF", bi::kSaveF},           {"RENAMEFILE", bi::kRenameFile},
    {"DELETEFILE", bi::kDeleteFile}, {"SWAP", bi::kSwap},             {"INIT", bi::kInit},
    {"STRIP", bi::kStrip},           {"PACK", bi::kPack},             {"UNPACK", bi::kUnpack},
    {"SLEEP", bi::kSleep},           {"CLIPBOARD", bi::kClipboard},   {"PUTLOG", bi::kPutLog},
    {"PRINT", bi::kPrint},           {"LOGDEL", bi::kLogDel},         {"LOGSORT", bi::kLogSort},
    {"LOGREMOVE", bi::kLogRemove},   {"DECODEDATE", bi::kDecodeDate}, {"TABLESTRIP", bi::kTableStrip},
    {"MESSAGE", bi::kMessage},       {"EXITMESSAGE", bi::kExitMessage}, {"SHOWWINDOW", bi::kShowWindow},
    {"INPUT", bi::kInput},           {"@SYSDATE", bi::kSysDate},      {"@DOCDATE", bi::kDocDate},
    {"@URL", bi::kUrl},              {"@APPFOLDER", bi::kAppFolder},  {"@DATAFOLDER", bi::kDataFolder},
    {"@LIBFOLDER", bi::kLibFolder},  {"@LOGCOUNT", bi::kLogCount},    {"@CLIPBOARD", bi::kClipboardValue},
    {"DELETE", bi::kDelete},         {"HASH", bi::kHash},             {"INT2STR", bi::kInt2Str},
    {"ISDIGIT", bi::kIsDigit},       {"ISSJIS", bi::kIsSjis},         {"LENGTH", bi::kLength},
    {"LOWER", bi::kLower},           {"REGEXPR", bi::kRegExpr},       {"REPLACE", bi::kReplace},
    {"SUBSTR", bi::kSubStr},         {"TEXTPOS", bi::kTextPos},       {"WRAPSTR", bi::kWrapStr},
    {"TRIM", bi::kTrim},             {"UPPER", bi::kUpper},           {"EXPANDSTR", bi::kExpandStr},
    {"CSV", bi::kCsv},               {"SHIFTCSV", bi::kShiftCsv},     {"SORTCSV", bi::kSortCsv},
    {"URLNUM", bi::kUrlNum},         {"DECODEURL", bi::kDecodeUrl},   {"HREF", bi::kHref},
    {"LINKS", bi::kLinks},           {"DATEFORMAT", bi::kDateFormat}, {"FORMATDATE", bi::kFormatDate},
    {"IMGSRC", bi::kImgSrc},         {"FRAMESRC", bi::kFrameSrc},     {"TAGSTRIPSET", bi::kTagStripSet},
    {"GET", bi::kGet},               {"SUBMIT", bi::kSubmit},         {"READLINK", bi::kReadLink},
    {"HEAD", bi::kHead},             {"BROWSE", bi::kBrowse},         {"DOWNLOAD", bi::kDownload},
    {"URLTOLOCAL", bi::kNone},       {"DEC", bi::kDec},               {"INC", bi::kInc},
    {"SKIPTO", bi::kSkipTo},         {"PAGECLIP", bi::kPageClip},     {"TAGUPPERCASE", bi::kTagUpperCase},
    {"CLIP", bi::kClip},             {"@SPLIT", bi::kListSplit},      {"@INDEXLINK", bi::kListIndexLink},
    {"@CLIP", bi::kListClip},        {"@WRAPSTR", bi::kListWrapStr},  {"@TOPICS", bi::kListTopics},
    {"@LINES", bi::kListLines},      {"@CSV", bi::kListCsv},          {"@IMGSRC", bi::kListImgSrc}};
static_assert(std::size(TCmdTable) == 78, "78 builtin names");

// Code of an upper-cased word in the keyword table, or 0.
std::uint8_t KeywordCode(std::string_view upper);
// Builtin code of an upper-cased name (0 when none).
std::uint8_t BuiltinCodeOf(std::string_view upper);
// Name of the builtin with this code, or an empty view.
std::string_view BuiltinName(std::uint8_t code);

}  // namespace bq::script
