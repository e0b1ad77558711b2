#pragma once
// An ID3v2 tag at the very start of a file: how many bytes it takes, so that the audio after
// it can be told apart from the tag.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tb::tags {

// How many of a file's first bytes LeadingTagLength needs to judge a tag: the header and the
// start of an extended header.
inline constexpr std::size_t kLeadingTagHeadBytes = 16;

// The length of the ID3v2 tag (versions 2.2 to 2.4) that a file starts with, given its first
// bytes (at least kLeadingTagHeadBytes of them, or the whole file when it is shorter): the
// header, an extended header, the frames and padding, and a footer when its flag is set.
// 0 when the bytes start no tag or a malformed one: not "ID3", a version or revision of
// 0xFF, flags that the version does not define, a size byte above 0x7F, or an extended
// header whose size does not fit the version's rules or the tag. A length beyond the end of
// the file means a malformed tag too: callers then count it as none.
std::uint64_t LeadingTagLength(std::string_view head);

} // namespace tb::tags
