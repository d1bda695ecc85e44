#pragma once
// The texts an export writes besides its media: the overlay's lines, the
// note of what was exported, and the telemetry of raw records.

#include "export/combined_video.h"
#include "telemetry/telemetry_track.h"
#include "telemetry/track_reader.h"
#include "trips/camera_time.h"

#include <string>
#include <vector>

namespace dravonix {

TelemetryTrack trackOfRecords(const std::vector<RawTelemetryRecord>& records);

// One line a second of the camera's clock from `start` to `end`: date and
// time, then speed and position from the sample shown at that moment (the
// samples spread evenly over the clip, as the viewer spreads them).
std::vector<OverlayLine> overlayLines(const TelemetryTrack& track, CameraMs start, CameraMs end);

// "yyyy-MM-dd HH:mm:ss.zzz" of the camera's clock.
std::string readableCameraTime(CameraMs time);

} // namespace dravonix
