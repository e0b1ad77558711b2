#pragma once
// RegexObject: one regular expression run over one target text, with its matches, their
// capture groups and their positions. Texts in and out are local text; matching runs on
// the UTF-8 form of the target (PCRE2, JIT where available) with these rules:
//   - letter case is ignored unless case_sensitive is set;
//   - "." never matches a line break (\n or \r); "\w" is ASCII letters, digits and "_";
//   - multiline: "^" and "$" also match at line starts and ends;
//   - global: all matches are collected, otherwise only the first.
// Match and group indexes are 1-based. Positions are 0-based byte offsets in the local
// target text. An index out of range, a failed Create or an object never filled gives the
// empty text and counts of 0. Copies share the results of the last Create.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tb {

class RegexObject {
public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&);
    RegexObject& operator=(const RegexObject&);
    RegexObject(RegexObject&&) noexcept;
    RegexObject& operator=(RegexObject&&) noexcept;

    // Compiles pattern and runs it over target, replacing the previous results. With
    // quote_placeholder every "#引号" in the pattern stands for a double quote. True when
    // the pattern compiled and the search ran to its end (also when it matched nothing).
    // False for an invalid pattern and for a search the engine could not finish (match,
    // depth or memory limit, invalid UTF-8): then no match is kept, not even those found
    // before the failure, and errorText() says why.
    bool Create(std::string_view pattern, std::string_view target, bool case_sensitive = false,
                bool multiline = true, bool global = true, bool quote_placeholder = false);
    // Why the last Create failed ("invalid pattern at offset 1: ...", "matching failed:
    // match limit exceeded"); empty after a successful Create or before any.
    std::string errorText() const;

    // The pattern of the last Create (after the placeholder replacement); empty before.
    std::string Pattern() const;
    // The target with the collected matches replaced. The replacement may name the match
    // ("$&"), a group ("$1" to "$99"), the text before or after the match ("$`", "$'")
    // and a dollar sign ("$$"). Empty when Create failed or was never called.
    std::string Replace(std::string_view replacement) const;

    int MatchCount() const;
    // Text of match `index`; position, when given, receives its byte offset in the target.
    std::string MatchText(int index, std::size_t* position = nullptr) const;
    // Text of group `submatch` of match `index`; a group that took no part in the match
    // gives the empty text and leaves position unchanged.
    std::string SubmatchText(int index, int submatch, std::size_t* position = nullptr) const;
    // Number of capture groups of the first match (0 without matches).
    int SubmatchCount() const;

private:
    struct Results;
    std::shared_ptr<const Results> m_results;
};

} // namespace tb
