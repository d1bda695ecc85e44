#pragma once
// atof / atoi as C defines them, over a bounded view instead of a C string:
// leading white space, an optional sign, then as much of a number as there
// is; anything unreadable gives 0.

#include <string_view>

namespace dravonix {

double cAtof(std::string_view text);
int cAtoi(std::string_view text);

} // namespace dravonix
