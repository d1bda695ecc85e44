#include "playback/export_marks.h"

namespace dravonix {

namespace {

std::optional<CameraMs> within(const std::optional<CameraMs>& mark, const PlayedSpan& span)
{
    if (mark && *mark >= span.start && *mark <= span.end)
        return mark;
    return std::nullopt;
}

} // namespace

void ExportMarks::markIn(CameraMs time)
{
    in_ = time;
    if (out_ && *out_ <= time)
        out_.reset();
}

void ExportMarks::markOut(CameraMs time)
{
    out_ = time;
    if (in_ && *in_ >= time)
        in_.reset();
}

void ExportMarks::clear()
{
    in_.reset();
    out_.reset();
}

std::optional<CameraMs> ExportMarks::inWithin(const PlayedSpan& span) const { return within(in_, span); }

std::optional<CameraMs> ExportMarks::outWithin(const PlayedSpan& span) const { return within(out_, span); }

std::pair<CameraMs, CameraMs> ExportMarks::range(const PlayedSpan& span) const
{
    return {inWithin(span).value_or(span.start), outWithin(span).value_or(span.end)};
}

} // namespace dravonix
