#include "trips/trip_telemetry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace dravonix {

std::optional<std::array<double, 2>> TripSample::place() const
{
    if (!fix.valid || !fix.hasPosition())
        return std::nullopt;
    const double lat = nmeaToDegrees(fix.latitudeRaw, fix.latitudeHemisphere);
    const double lon = nmeaToDegrees(fix.longitudeRaw, fix.longitudeHemisphere);
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90.0 || std::abs(lon) > 180.0)
        return std::nullopt;
    return std::array<double, 2>{lat, lon};
}

namespace {

// A speed the readout shows: from a valid fix, finite and not below 0.
bool hasShownSpeed(const GpsFix& fix) { return fix.valid && std::isfinite(fix.speedKnots) && fix.speedKnots >= 0.0; }

} // namespace

std::optional<long long> TripSample::speedKmh() const
{
    if (!hasShownSpeed(fix))
        return std::nullopt;
    return truncatedSpeed(knotsToKmh(fix.speedKnots));
}

std::int64_t sampleOffsetMs(std::size_t index, std::size_t count, std::int64_t durationMs)
{
    if (count == 0)
        return 0;
    return static_cast<std::int64_t>(index) * durationMs / static_cast<std::int64_t>(count);
}

std::array<float, 3> accelerationMedians(const TrackPoints& track)
{
    std::array<float, 3> medians{};
    if (track.empty())
        return medians;
    std::vector<float> axis(track.size());
    for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t i = 0; i < track.size(); ++i)
            axis[i] = track[i].accel[a];
        const std::size_t mid = axis.size() / 2;
        std::nth_element(axis.begin(), axis.begin() + static_cast<std::ptrdiff_t>(mid), axis.end());
        float median = axis[mid];
        if (axis.size() % 2 == 0) {
            const float below = *std::max_element(axis.begin(), axis.begin() + static_cast<std::ptrdiff_t>(mid));
            median = (median + below) / 2.0f;
        }
        medians[a] = median;
    }
    return medians;
}

void forEachTripSample(const std::vector<TripRecording>& recordings, const TripTimeline& timeline,
                       const TrackLoader& loadTrack, const OnTrack& onTrack,
                       const std::function<void(const TripSample&)>& visit)
{
    std::map<std::size_t, const TrackPoints*> tracks;
    const std::vector<TimelinePiece>& pieces = timeline.pieces();
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const TimelinePiece& piece = pieces[p];
        auto [known, fresh] = tracks.try_emplace(piece.recording, nullptr);
        if (fresh) {
            known->second = loadTrack(piece.recording);
            if (known->second != nullptr && !known->second->empty())
                onTrack(piece.recording, *known->second);
        }
        const TrackPoints* track = known->second;
        if (track != nullptr && !track->empty())
            forEachPieceSample(recordings[piece.recording], piece, p + 1 == pieces.size(), *track, visit);
    }
}

PiecePlays piecePlays(const TripRecording& recording, const TimelinePiece& piece, bool last, std::size_t count)
{
    if (count == 0)
        return PiecePlays::Nothing;
    // A sample's offset grows with its index, so a piece plays a run of them.
    const bool first = pieceHolds(piece, last, 0);
    const bool final = pieceHolds(piece, last, sampleOffsetMs(count - 1, count, recording.durationMs));
    if (first && final)
        return PiecePlays::All;
    if (first || final)
        return PiecePlays::Part;
    for (std::size_t i = 1; i + 1 < count; ++i)
        if (pieceHolds(piece, last, sampleOffsetMs(i, count, recording.durationMs)))
            return PiecePlays::Part;
    return PiecePlays::Nothing;
}

TripTelemetry mergeTripTelemetry(const std::vector<TripRecording>& recordings, const TripTimeline& timeline,
                                 const TrackLoader& loadTrack)
{
    // Every track first, so the samples are laid out once, not grown into.
    std::map<std::size_t, const TrackPoints*> tracks;
    std::size_t most = 0;
    for (const TimelinePiece& piece : timeline.pieces()) {
        auto [known, fresh] = tracks.try_emplace(piece.recording, nullptr);
        if (fresh) {
            known->second = loadTrack(piece.recording);
            most += known->second != nullptr ? known->second->size() : 0;
        }
    }
    TripTelemetry merged;
    merged.samples.reserve(most);
    forEachTripSample(
        recordings, timeline, [&](std::size_t i) { return tracks.at(i); },
        [&](std::size_t i, const TrackPoints& track) { merged.medians[i] = accelerationMedians(track); },
        [&](const TripSample& s) { merged.samples.push_back(s); });
    return merged;
}

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

constexpr double kEarthRadiusKm = 6371.0088;

} // namespace

// The haversine.
double greatCircleKm(double lat1, double lon1, double lat2, double lon2)
{
    const double sinHalfLat = std::sin((lat2 - lat1) * kRad / 2);
    const double sinHalfLon = std::sin((lon2 - lon1) * kRad / 2);
    const double h = sinHalfLat * sinHalfLat + std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * sinHalfLon * sinHalfLon;
    return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(std::max(0.0, h))));
}

namespace {

// Between fixes a second apart the angles are tiny, where a few terms of
// their series are exact to the last bit and the library's general
// functions, called some 600,000 times for a card, cost three times as much.
constexpr double kTinyAngle = 1e-3; // radians, about 6 km

double tinySin(double x)
{
    const double x2 = x * x;
    return x * (1.0 - x2 * (1.0 / 6) * (1.0 - x2 * (1.0 / 20) * (1.0 - x2 * (1.0 / 42))));
}

double tinyCos(double x)
{
    const double x2 = x * x;
    return 1.0 - x2 * 0.5 * (1.0 - x2 * (1.0 / 12) * (1.0 - x2 * (1.0 / 30) * (1.0 - x2 * (1.0 / 56))));
}

double tinyAsin(double x)
{
    const double x2 = x * x;
    return x * (1.0 + x2 * (1.0 / 6 + x2 * (3.0 / 40 + x2 * (15.0 / 336))));
}

} // namespace

void TripDistance::add(const TripSample& sample)
{
    if (const std::optional<std::array<double, 2>> place = sample.place())
        addPlace((*place)[0], (*place)[1]);
}

void TripDistance::addPlace(double lat, double lon)
{
    if (previous_ && previous_->lat == lat && previous_->lon == lon)
        return; // standing still: nothing to add
    Fix next{lat, lon};
    // The new latitude's cosine turns the last one by the step: a rounding
    // a step, some 1e-11 of it after a day's driving. At a pole that could
    // turn it below 0, which no latitude's cosine is.
    const double dLat = previous_ ? (lat - previous_->lat) * kRad : 0.0;
    const double dLon = previous_ ? (lon - previous_->lon) * kRad : 0.0;
    if (previous_ && std::abs(dLat) < kTinyAngle && std::abs(dLon) < kTinyAngle) {
        const double cosStep = tinyCos(dLat), sinStep = tinySin(dLat);
        next.cosLat = std::max(0.0, previous_->cosLat * cosStep - previous_->sinLat * sinStep);
        next.sinLat = previous_->sinLat * cosStep + previous_->cosLat * sinStep;
        const double sinHalfLat = tinySin(dLat / 2), sinHalfLon = tinySin(dLon / 2);
        const double h = sinHalfLat * sinHalfLat + previous_->cosLat * next.cosLat * sinHalfLon * sinHalfLon;
        pending_[pendingCount_++] = std::max(h, 0.0);
        if (pendingCount_ == pending_.size())
            addPending();
    } else {
        next.cosLat = std::cos(lat * kRad);
        next.sinLat = std::sin(lat * kRad);
        if (previous_) {
            // Both cosines from the library, as for any two places apart.
            addPending();
            km_ += greatCircleKm(previous_->lat, previous_->lon, lat, lon);
        }
    }
    previous_ = next;
    if (!first_)
        first_ = next;
}

std::optional<TripDistance::Part> TripDistance::part() const
{
    if (!first_)
        return std::nullopt;
    return Part{*first_, *previous_, km()};
}

void TripDistance::join(const Part& part)
{
    // The step onto the part's first place, as its sample would have made
    // it; then the part's own way, from where it ended.
    addPlace(part.first.lat, part.first.lon);
    addPending();
    km_ += part.km;
    previous_ = part.last;
}

namespace {

double shortStepsKm(double km, std::span<const double> haversines)
{
    for (const double h : haversines)
        km += 2.0 * kEarthRadiusKm * tinyAsin(std::sqrt(h));
    return km;
}

} // namespace

void TripDistance::addPending()
{
    km_ = shortStepsKm(km_, std::span(pending_.data(), pendingCount_));
    pendingCount_ = 0;
}

double TripDistance::km() const { return shortStepsKm(km_, std::span(pending_.data(), pendingCount_)); }

double tripDistanceKm(const std::vector<TripSample>& samples)
{
    TripDistance distance;
    for (const TripSample& s : samples)
        distance.add(s);
    return distance.km();
}

void TripTopSpeed::add(const TripSample& sample)
{
    const GpsFix& fix = sample.fix;
    if (hasShownSpeed(fix) && (!topKnots_ || fix.speedKnots > *topKnots_))
        topKnots_ = fix.speedKnots;
}

void TripTopSpeed::join(const TripTopSpeed& other)
{
    if (other.topKnots_ && (!topKnots_ || *other.topKnots_ > *topKnots_))
        topKnots_ = other.topKnots_;
}

std::optional<long long> TripTopSpeed::kmh() const
{
    if (!topKnots_)
        return std::nullopt;
    return truncatedSpeed(knotsToKmh(*topKnots_));
}

std::optional<long long> tripTopSpeedKmh(const std::vector<TripSample>& samples)
{
    TripTopSpeed top;
    for (const TripSample& s : samples)
        top.add(s);
    return top.kmh();
}

} // namespace dravonix
