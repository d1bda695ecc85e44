#pragma once
// The program's texts by id, English as the camera's users know them. The
// widgets look texts up here; translations come through Qt Linguist on top.

#include <string_view>

namespace dravonix {

// The English text of string `id`, or an empty view for an unknown id.
std::string_view englishString(int id);

} // namespace dravonix
