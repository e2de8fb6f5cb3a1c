// Finding a literal in a buffer: the first step of every reader that looks for a text.
#pragma once

#include <cstddef>
#include <string_view>

namespace rq {

// The first occurrence of `needle` in [begin, end), or nullptr. An empty needle is found at
// `begin`. Plain byte comparison, case-sensitive.
const char* FindLiteral(const char* begin, const char* end, std::string_view needle);

}  // namespace rq
