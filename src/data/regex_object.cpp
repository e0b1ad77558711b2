#include "data/regex_object.h"

#include "data/local_text.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <vector>

namespace tb {
namespace {

// Byte ranges [start, end) in the UTF-8 target of the whole match (first) and of each
// group; kUnset for a group that took no part.
using MatchRanges = std::vector<std::pair<std::size_t, std::size_t>>;
constexpr std::size_t kUnset = PCRE2_UNSET;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

// The reason PCRE2 gives for an error code, as ASCII text.
std::string errorMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    return length < 0 ? "error " + std::to_string(code)
                      : std::string(reinterpret_cast<const char*>(buffer),
                                    static_cast<std::size_t>(length));
}

// The compiled pattern, or the reason it does not compile.
CodePtr compile(const std::string& utf8Pattern, bool caseSensitive, bool multiline,
                std::string& error) {
    uint32_t options = PCRE2_UTF;
    options |= caseSensitive ? 0 : PCRE2_CASELESS;
    // Without multiline "$" is the very end of the text, as in script engines.
    options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    // CR, LF and CRLF all end a line, so "." crosses none of them.
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int code = 0;
    PCRE2_SIZE offset = 0;
    CodePtr compiled(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()),
                                   utf8Pattern.size(), options, &code, &offset, context));
    pcre2_compile_context_free(context);
    if (!compiled) {
        error = "invalid pattern at offset " + std::to_string(offset) + ": " + errorMessage(code);
        return compiled;
    }
    pcre2_jit_compile(compiled.get(), PCRE2_JIT_COMPLETE); // falls back to the interpreter
    return compiled;
}

std::size_t nextCharacter(std::string_view utf8, std::size_t pos) {
    ++pos;
    while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80) {
        ++pos;
    }
    return pos;
}

// Backtracking memory one match may take; beyond it the match fails with an error
// instead of exhausting the process.
constexpr uint32_t kHeapLimitKiB = 256 * 1024;

// One pcre2_match call; the UTF-8 check of the target runs on the first call only.
int matchAt(pcre2_code* code, std::string_view target, std::size_t start, bool checkUtf,
            pcre2_match_data* data, pcre2_match_context* context) {
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(target.data());
    const uint32_t options = checkUtf ? 0 : PCRE2_NO_UTF_CHECK;
    int rc = pcre2_match(code, subject, target.size(), start, options, data, context);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
        // The JIT's small machine stack ran out; the interpreter works on the heap.
        rc =
            pcre2_match(code, subject, target.size(), start, options | PCRE2_NO_JIT, data, context);
    }
    return rc;
}

MatchRanges rangesOf(pcre2_match_data* data) {
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data);
    MatchRanges ranges(pcre2_get_ovector_count(data));
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        ranges[i] = {vector[2 * i], vector[2 * i + 1]};
    }
    return ranges;
}

// Every match of code in target (only the first unless global). After an empty match the
// search goes on one character further, as script engines do. Any outcome of PCRE2 other
// than a match or "no match" (match, depth or heap limit, invalid UTF-8) ends the search
// with its reason in error: a search that stopped early must not pass for a complete one.
std::vector<MatchRanges> collectMatches(pcre2_code* code, std::string_view target, bool global,
                                        std::string& error) {
    std::vector<MatchRanges> matches;
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_set_heap_limit(context, kHeapLimitKiB);
    std::size_t start = 0;
    while (start <= target.size()) {
        const int rc = matchAt(code, target, start, matches.empty(), data, context);
        if (rc == PCRE2_ERROR_NOMATCH) {
            break;
        }
        if (rc < 0) {
            error = "matching failed: " + errorMessage(rc);
            break;
        }
        matches.push_back(rangesOf(data));
        if (!global) {
            break;
        }
        const auto [matchStart, matchEnd] = matches.back().front();
        start = matchEnd > matchStart ? matchEnd : nextCharacter(target, matchEnd);
    }
    pcre2_match_context_free(context);
    pcre2_match_data_free(data);
    return matches;
}

int groupCount(pcre2_code* code) {
    uint32_t count = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    return static_cast<int>(count);
}

} // namespace

struct RegexObject::Results {
    std::string pattern; // local text
    bool compiled = false;
    std::string error;  // why the last Create failed; empty after a successful one
    std::string target; // UTF-8
    int groups = 0;
    std::vector<MatchRanges> matches;

    // The range of group `group` (0 = the whole match) of 1-based match `index`.
    const std::pair<std::size_t, std::size_t>* range(int index, int group) const;
    // Text of that range as local text; position receives its local byte offset, the
    // length of the local form of the UTF-8 text before it.
    std::string groupText(int index, int group, std::size_t* position) const;
    void appendReplacement(std::string_view replacement, const MatchRanges& match,
                           std::string& out) const;
};

const std::pair<std::size_t, std::size_t>* RegexObject::Results::range(int index, int group) const {
    if (index < 1 || static_cast<std::size_t>(index) > matches.size() || group < 0 ||
        group > groups) {
        return nullptr;
    }
    const MatchRanges& match = matches[static_cast<std::size_t>(index) - 1];
    const auto& found = match[static_cast<std::size_t>(group)];
    return found.first == kUnset ? nullptr : &found;
}

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject&) = default;
RegexObject& RegexObject::operator=(const RegexObject&) = default;
RegexObject::RegexObject(RegexObject&&) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&&) noexcept = default;

bool RegexObject::Create(std::string_view pattern, std::string_view target, bool case_sensitive,
                         bool multiline, bool global, bool quote_placeholder) {
    static const std::string kQuotePlaceholder = Utf8ToLocal("#引号");
    auto results = std::make_shared<Results>();
    results->pattern =
        quote_placeholder ? ReplaceAll(pattern, kQuotePlaceholder, "\"") : std::string(pattern);
    m_results = results;
    CodePtr code =
        compile(LocalToUtf8(results->pattern), case_sensitive, multiline, results->error);
    if (!code) {
        return false;
    }
    const std::string utf8Target = LocalToUtf8(target);
    auto matches = collectMatches(code.get(), utf8Target, global, results->error);
    if (!results->error.empty()) {
        return false; // the matches found before the failure are no complete answer
    }
    results->compiled = true;
    results->target = utf8Target;
    results->groups = groupCount(code.get());
    results->matches = std::move(matches);
    return true;
}

std::string RegexObject::errorText() const {
    return m_results ? m_results->error : "";
}

std::string RegexObject::Pattern() const {
    return m_results ? m_results->pattern : "";
}

int RegexObject::MatchCount() const {
    return m_results ? static_cast<int>(m_results->matches.size()) : 0;
}

int RegexObject::SubmatchCount() const {
    return (m_results && !m_results->matches.empty()) ? m_results->groups : 0;
}

std::string RegexObject::MatchText(int index, std::size_t* position) const {
    return m_results ? m_results->groupText(index, 0, position) : "";
}

std::string RegexObject::SubmatchText(int index, int submatch, std::size_t* position) const {
    return (m_results && submatch >= 1) ? m_results->groupText(index, submatch, position) : "";
}

std::string RegexObject::Replace(std::string_view replacement) const {
    if (!m_results || !m_results->compiled) {
        return {};
    }
    const std::string utf8Replacement = LocalToUtf8(replacement);
    const std::string& target = m_results->target;
    std::string out;
    std::size_t copied = 0;
    for (const MatchRanges& match : m_results->matches) {
        out.append(target, copied, match.front().first - copied);
        m_results->appendReplacement(utf8Replacement, match, out);
        copied = match.front().second;
    }
    out.append(target, copied);
    return Utf8ToLocal(out);
}

// Expands "$$", "$&", "$`", "$'" and "$n" / "$nn" (the longest group number that exists);
// any other "$" stands for itself.
void RegexObject::Results::appendReplacement(std::string_view replacement, const MatchRanges& match,
                                             std::string& out) const {
    const auto appendRange = [&](std::size_t from, std::size_t to) {
        if (from != kUnset) {
            out.append(target, from, to - from);
        }
    };
    const auto digit = [&](std::size_t at) {
        return at < replacement.size() && replacement[at] >= '0' && replacement[at] <= '9'
                   ? replacement[at] - '0'
                   : -1;
    };
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        if (replacement[i] != '$' || i + 1 == replacement.size()) {
            out += replacement[i];
            continue;
        }
        const char next = replacement[i + 1];
        if (next == '$') {
            out += '$';
            ++i;
        } else if (next == '&') {
            appendRange(match[0].first, match[0].second);
            ++i;
        } else if (next == '`') {
            appendRange(0, match[0].first);
            ++i;
        } else if (next == '\'') {
            appendRange(match[0].second, target.size());
            ++i;
        } else if (const int tens = digit(i + 1), units = digit(i + 2);
                   tens >= 0 && units >= 0 && tens * 10 + units >= 1 &&
                   tens * 10 + units <= groups) {
            const auto& group = match[static_cast<std::size_t>(tens * 10 + units)];
            appendRange(group.first, group.second);
            i += 2;
        } else if (tens >= 1 && tens <= groups) {
            const auto& group = match[static_cast<std::size_t>(tens)];
            appendRange(group.first, group.second);
            ++i;
        } else {
            out += '$';
        }
    }
}

std::string RegexObject::Results::groupText(int index, int group, std::size_t* position) const {
    const auto* found = range(index, group);
    if (found == nullptr) {
        return {};
    }
    const std::string_view whole(target);
    if (position != nullptr) {
        *position = Utf8ToLocal(whole.substr(0, found->first)).size();
    }
    return Utf8ToLocal(whole.substr(found->first, found->second - found->first));
}

} // namespace tb
