// Values of the template variables, read from a message's cache file.
#ifndef DORVIK_SRC_CACHE_VALUES_H
#define DORVIK_SRC_CACHE_VALUES_H

#include <cstddef>
#include <string>

namespace dorvik {

// The variables, in the order of their table.
enum class TemplateVar {
    kFrom,     // %FROM: the sender's name
    kFromAdrs, // %FROM_ADRS
    kTo,       // %TO: display text of the first To entry
    kToAdrs,   // %TO_ADRS: address of the first To entry
    kCc,       // %CC
    kCcAdrs,   // %CC_ADRS
    kSubject,  // %SUBJECT
    kSendDate, // %SENDDATE
    kRcvDate,  // %RCVDATE
    kHead,     // %HEAD: the header lines, each followed by CR LF
    kBody,     // %BODY: the decoded body (first text part of a multipart message)
    kPopSvr,   // %POPSVR: not in the cache file; always empty
};

inline constexpr int kTemplateVarCount = 12;

// The variable's name, e.g. "%FROM".
const char* TemplateVarName(TemplateVar var);

// Reads the value of `var` from the cache file at `path`, at most `cap` bytes of it. `mode`
// applies to %BODY: 0 as is, 1 empty lines removed, 2 line breaks removed. A file that cannot
// be opened or a value that is not there gives "".
std::string ReadCacheValue(const char* path, TemplateVar var, int mode, std::size_t cap);

} // namespace dorvik

#endif
