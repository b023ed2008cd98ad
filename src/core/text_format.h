// Applying a configured text that carries conversions (a vendor's message
// with "%S" for a version, a progress line with "%.1f").
//
// Contract: configured text is never handed to printf. Exactly these
// conversions are understood: "%S" and "%s" take the next argument as text,
// "%.Nf" (N one or two digits) takes the next argument as a number, "%%" is a
// single "%". Everything else - another conversion, a conversion whose
// argument is missing or of the other kind, a lone "%" at the end - is copied
// as it stands and consumes no argument, so no text can read or write past
// the arguments it was given.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumen {

// A text argument is already in UTF-16 (the caller converts 8-bit texts at
// its own boundary); a number is formatted with the C locale's ".".
using FormatArgument = std::variant<std::u16string, double>;

std::u16string formatConfiguredText(std::u16string_view format,
                                    const std::vector<FormatArgument>& arguments);

} // namespace lumen
