// dravonix-democard: writes a demo card folder for trying the viewer and for
// the end-to-end tests.

#include "demo_card.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char* argv[])
{
    dravonix::demo::DemoCardOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            options.seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--seconds" && i + 1 < argc) {
            options.secondsPerRecording = std::atoi(argv[++i]);
        } else if (arg == "--bitrates" && i + 1 < argc) {
            // FRONT,REAR, for example 10M,5M
            const std::string both = argv[++i];
            const auto comma = both.find(',');
            options.frontBitrate = both.substr(0, comma);
            options.rearBitrate = comma == std::string::npos ? options.frontBitrate : both.substr(comma + 1);
        } else if (arg == "--recordings" && i + 1 < argc) {
            options.recordings = std::atoi(argv[++i]);
        } else if (arg == "--two-trips") {
            options.twoTrips = true;
        } else if (arg == "--clock-ahead" && i + 1 < argc) {
            char* end = nullptr;
            const long ahead = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || ahead < -86400 || ahead > 86400) {
                options.out.clear();
                break;
            }
            options.clockAheadSeconds = static_cast<int>(ahead);
        } else if (arg == "--long-drive" && i + 1 < argc) {
            options.longDrive = std::atoi(argv[++i]);
            if (options.longDrive < 1 || options.longDrive > 1000) {
                std::fputs("dravonix-democard: --long-drive takes 1 to 1000 recordings\n", stderr);
                return 2;
            }
        } else if (arg == "--keep-existing") {
            options.keepExisting = true;
        } else if (arg == "--progress" || arg == "--verbose") {
            options.progress = true;
        } else if (!arg.starts_with("--") && options.out.empty()) {
            options.out = arg;
        } else {
            options.out.clear();
            break;
        }
    }
    if (options.out.empty()) {
        std::fputs("usage: dravonix-democard [--seed N] [--seconds PER_RECORDING] [--bitrates FRONT,REAR]\n"
                   "                        [--recordings N] [--two-trips] [--clock-ahead SECONDS] [--long-drive N]\n"
                   "                        [--keep-existing] [--progress] OUT_FOLDER\n"
                   "  --two-trips: two drives parted by a stop, the second over midnight, with a\n"
                   "               collision and a camera clock 2 s ahead of GPS time\n"
                   "  --clock-ahead: the camera's clock this many seconds ahead of GPS time in the\n"
                   "                 card's zone (negative: behind), at most a day either way\n"
                   "  --long-drive N: one drive of N Always pairs end to end, an Event pair half-way\n",
                   stderr);
        return 2;
    }
    try {
        dravonix::demo::writeDemoCard(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dravonix-democard: %s\n", e.what());
        return 1;
    }
    return 0;
}
