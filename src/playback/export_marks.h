#pragma once
// The stretch a user marks for export with "In" and "Out" while watching,
// held on the camera's clock so it means the same moment whether a single
// recording or a whole trip is playing.

#include "trips/camera_time.h"

#include <optional>
#include <utility>

namespace dravonix {

// What plays now, on the camera's clock.
struct PlayedSpan {
    CameraMs start = 0;
    CameraMs end = 0;
};

class ExportMarks {
public:
    // A mark at or past the other one drops the other: the range never turns inside out.
    void markIn(CameraMs time);
    void markOut(CameraMs time);
    void clear();

    std::optional<CameraMs> in() const { return in_; }
    std::optional<CameraMs> out() const { return out_; }

    // The marks that fall in what plays (others belong to something else).
    std::optional<CameraMs> inWithin(const PlayedSpan& span) const;
    std::optional<CameraMs> outWithin(const PlayedSpan& span) const;

    // The range to export from what plays: from the in mark (or the start)
    // to the out mark (or the end).
    std::pair<CameraMs, CameraMs> range(const PlayedSpan& span) const;

private:
    std::optional<CameraMs> in_;
    std::optional<CameraMs> out_;
};

} // namespace dravonix
