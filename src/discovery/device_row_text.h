// The text a listed device is shown and logged with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ptz {

// The product name as the device reports it; a device that reports none is named by its ids
// ("USB camera 2e7e:0737"), so that every listed device still gets a row of its own. Control
// characters are escaped (see below).
std::string deviceRowText(int32_t vendorId, int32_t productId, const std::string& productName);

// `text` with every ASCII control character written as an escape ("\n", "\t", "\r", else
// "\x1b"). A USB string descriptor may hold a line break; printed raw it would add a line to
// the log or to a listing that nobody wrote. Everything else, UTF-8 included, passes
// unchanged.
std::string escapeControlCharacters(std::string_view text);

}  // namespace ptz
