#include "resources/strings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace dravonix {
namespace {

using Entry = std::pair<int, std::string_view>;

// Sorted by id.
constexpr auto kStrings = std::to_array<Entry>({
    {230, "G-Sensor value has exceeded effective range.(%.2f-%.2f)"},
    {231, "Please enter valid lisence plate number."},
    {234, "Date"},
    {235, "Day"},
    {236, "Mileage"},
    {237, "Top Speed"},
    {238, "No."},
    {239, "Order"},
    {240, "Time"},
    {241, "Latitude"},
    {242, "Longitude"},
    {243, "Value"},
    {244, "Current Speed"},
    {245, "Must format SD Card first before you change the settings."},
    {246, "It temporarily stops recording when the temperature of the device reaches 70 degree."},
    {248, "Dravonix recommands using this mode for a protection of the device."},
    {258, "Open"},
    {259, "Capture"},
    {261, "Settings"},
    {262, "Time Settings"},
    {263, "Type"},
    {264, "Date"},
    {265, "Time"},
    {266, "FileName"},
    {270, "Unknown"},
    {271, "Always"},
    {272, "Event"},
    {273, "User"},
    {277, "Play"},
    {278, "Full Screen"},
    {279, "Skip backward 10 seconds"},
    {280, "Pause"},
    {282, "Skip forward 10 seconds"},
    {283, "2x"},
    {284, "1x"},
    {285, "Zoon"},
    {286, "Swap"},
    {289, "Park"},
    {290, "Video"},
    {291, "Basic"},
    {292, "GPS"},
    {293, "Additional"},
    {294, "Audio"},
    {296, "Information"},
    {297, "Cannot format this drive."},
    {298, "Format complete."},
    {299, "Quit any disk utilities or other programs that are using this device,\r\n\r\nand make sure that no windows "
          "is displaying the contents of the drive.\r\n\r\nThen try formatting again."},
    {300, "The disk cannot be written to because it is write protected.\r\n\r\nPlease remove the write protection "
          "from the volume in drive"},
    {301, "Not removable drive.\r\n\r\nSelect another drive."},
    {302, "Always : "},
    {303, "Event : "},
    {304, "Park : "},
    {305, "Each recording mode must be set to minimum 5% or more"},
    {306, "X"},
    {307, "Y"},
    {308, "Z"},
    {309, "BAT"},
    {340, "Parking Mode"},
    {341, "ADAS"},
    {342, "          Not Use"},
    {343, " Not Use"},
    {344, "   3Hour"},
    {345, "   6Hour"},
    {346, "  12Hour"},
    {347, "  24Hour"},
    {348, "  48Hour"},
    {349, "             Auto"},
    {356, "The ssid must enter at least 5 characters."},
    {357, "The password must be at least 8 characters."},
    {358, "Invalid characters in the SSID has been entered."},
    {359, "Invalid characters in a password has been entered."},
    {360, "Volume"},
    {361, "Changing video quality will format the microSD card,\r\nand all data on the card will be deleted.\r\nPlease "
          "back up all important data before changing the setting."},
});

static_assert(std::is_sorted(kStrings.begin(), kStrings.end(),
                             [](const Entry& a, const Entry& b) { return a.first < b.first; }));

} // namespace

std::string_view englishString(int id)
{
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const Entry& e, int wanted) { return e.first < wanted; });
    return it != kStrings.end() && it->first == id ? it->second : std::string_view();
}

} // namespace dravonix
