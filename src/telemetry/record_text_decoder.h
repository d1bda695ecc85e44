#pragma once
// A track's record texts decoded one after another, each as decodeRecordText
// decodes it. A receiver writes the same sentences in the same shape every
// second, only the figures changing: a text shaped like the one before is
// decoded from where that one's fields lay, without being scanned again.

#include "telemetry/gps_fix.h"
#include "telemetry/nmea_split.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace dravonix {

class RecordTextDecoder {
public:
    // A telemetry record's text; texts of other lengths are always scanned.
    static constexpr std::size_t kShapedSize = 128;

    explicit RecordTextDecoder(FixDetail detail = FixDetail::Full) : detail_(detail) {}
    void decode(std::span<const char> text, GpsFix& fix);

private:
    static constexpr std::size_t kFields = 20;   // as many as a split sentence keeps
    static constexpr std::size_t kSentences = 8; // applied in one text; more are always scanned
    struct Sentence {
        nmea::SentenceKind kind = nmea::SentenceKind::Other;
        std::uint8_t count = 0; // fields, kept or not (a 128-byte text has at most 65)
        std::array<std::uint8_t, kFields> offset{};
        std::array<std::uint8_t, kFields> size{};
    };

    void learnShape(std::span<const char> text, GpsFix& fix);
    bool sameShape(const char* text) const;

    FixDetail detail_;
    bool known_ = false; // a shape is learnt
    std::array<char, kShapedSize> last_{};
    // Where the last text's bytes must be matched byte for byte: every
    // character below '-' (the delimiters are among them) and every
    // sentence's name. Elsewhere only its figures stand, which are read
    // afresh.
    alignas(16) std::array<std::uint8_t, kShapedSize> fixed_{};
    std::array<Sentence, kSentences> applied_{};
    std::size_t appliedCount_ = 0;
};

} // namespace dravonix
