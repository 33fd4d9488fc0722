// UTF-8 command-line texts to the UTF-16 that resources hold.
#pragma once

#include <optional>
#include <string>

namespace brand {

// The UTF-16 form of text, or nothing when text is not valid UTF-8.
std::optional<std::u16string> utf16_of(const std::string& text);

}  // namespace brand
