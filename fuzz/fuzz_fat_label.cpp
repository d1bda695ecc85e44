// A FAT volume as a card or a damaged image hands it over, held in memory:
// reading its label and writing one. Any bytes must give an answer after a
// number of reads bounded by the volume's size; a write that fails must
// leave every byte as it was, and one that succeeds must read back.
#include "card/fat_label.h"
#include "card/memory_volume.h"

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

using namespace dravonix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> image(data, data + size);
    // A clean walk reads each cluster once and its FAT entry once.
    const std::uint64_t readBound = 2 * (size / 512) + 8;

    MemoryVolume reader(image);
    std::string label;
    std::string error;
    const bool readable = readFat32Label(reader, label, error);
    if (reader.reads() > readBound || reader.writes() != 0 || (readable && label.size() > 11))
        std::abort();

    // The jump code (bytes 0 to 2) is never checked, so byte 1 picks the label.
    static const std::array<std::string, 4> labels{"DRAVONIX", "", "no name", "A-B_C 1~2#"};
    const std::string& wanted = labels[size > 1 ? data[1] % labels.size() : 0];
    const std::vector<std::uint8_t> before = image;
    MemoryVolume writer(image);
    const bool written = writeFat32Label(writer, wanted, error);
    if (writer.reads() > readBound + 2)
        std::abort();
    if (!written) {
        if (image != before)
            std::abort(); // a refusal changed the volume
        return 0;
    }
    if (!readable)
        std::abort(); // written where reading had failed
    // No label reads as the boot sector's "NO NAME", as after a format.
    std::string expected = "NO NAME";
    if (!wanted.empty())
        fatLabelBytes(wanted, expected);
    while (!expected.empty() && expected.back() == ' ')
        expected.pop_back();
    MemoryVolume checker(image);
    if (!readFat32Label(checker, label, error) || label != expected)
        std::abort();
    return 0;
}
