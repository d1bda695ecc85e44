#include "telemetry/record_text_decoder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dravonix {

void RecordTextDecoder::decode(std::span<const char> text, GpsFix& fix)
{
    if (!known_ || text.size() != kShapedSize || !sameShape(text.data())) {
        learnShape(text, fix);
        return;
    }
    // The same delimiters at the same places split the text into the same
    // fields, and the same names pick the same sentences: only what the
    // fields hold is new.
    nmea::SplitSentence f;
    const std::size_t read = nmea::fieldsRead(detail_);
    for (std::size_t s = 0; s < appliedCount_; ++s) {
        const Sentence& sentence = applied_[s];
        f.count = sentence.count;
        for (std::size_t i = 0; i < sentence.count && i < read; ++i)
            f.fields[i] = {text.data() + sentence.offset[i], sentence.size[i]};
        nmea::applySentence(sentence.kind, f, fix, detail_);
    }
}

void RecordTextDecoder::learnShape(std::span<const char> text, GpsFix& fix)
{
    known_ = text.size() == kShapedSize;
    appliedCount_ = 0;
    nmea::forEachSplitSentence(text, [&](const nmea::SplitSentence& f) {
        const nmea::SentenceKind kind = nmea::sentenceKind(f[0]);
        if (!nmea::applySentence(kind, f, fix, detail_) || !known_)
            return;
        if (appliedCount_ == kSentences) {
            known_ = false;
            return;
        }
        Sentence& sentence = applied_[appliedCount_++];
        sentence.kind = kind;
        sentence.count = static_cast<std::uint8_t>(f.count);
        for (std::size_t i = 0; i < f.count && i < kFields; ++i) {
            sentence.offset[i] = static_cast<std::uint8_t>(f.fields[i].data - text.data());
            sentence.size[i] = static_cast<std::uint8_t>(f.fields[i].size);
        }
    });
    if (!known_)
        return;
    std::memcpy(last_.data(), text.data(), kShapedSize);
    bool inName = false;
    for (std::size_t i = 0; i < kShapedSize; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '$')
            inName = true;
        else if (c == ',' || c == '*' || c < '-')
            inName = false;
        fixed_[i] = (inName || c < '-') ? 0xFF : 0x00;
    }
}

// Every byte the last text fixed is the same, and no delimiter turned up
// where it had none.
bool RecordTextDecoder::sameShape(const char* text) const
{
#if defined(__SSE2__)
    const __m128i bound = _mm_set1_epi8(',');
    __m128i wrong = _mm_setzero_si128();
    for (std::size_t i = 0; i < kShapedSize; i += 16) {
        const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i was = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last_.data() + i));
        const __m128i fixed = _mm_load_si128(reinterpret_cast<const __m128i*>(fixed_.data() + i));
        const __m128i delimiter = _mm_cmpeq_epi8(_mm_min_epu8(now, bound), now); // below '-'
        const __m128i changed = _mm_andnot_si128(_mm_cmpeq_epi8(now, was), fixed);
        wrong = _mm_or_si128(wrong, _mm_or_si128(changed, _mm_andnot_si128(fixed, delimiter)));
    }
    return _mm_movemask_epi8(wrong) == 0;
#else
    for (std::size_t i = 0; i < kShapedSize; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (fixed_[i] != 0 ? text[i] != last_[i] : c < '-')
            return false;
    }
    return true;
#endif
}

} // namespace dravonix
