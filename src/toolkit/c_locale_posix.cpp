#include "toolkit/c_locale.h"

#include <clocale>
#include <locale.h>

namespace dravonix {
namespace {

locale_t cLocale()
{
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

CLocaleScope::CLocaleScope()
{
    if (const locale_t c = cLocale())
        previous_ = ::uselocale(c);
}

CLocaleScope::~CLocaleScope()
{
    if (previous_ != nullptr)
        ::uselocale(static_cast<locale_t>(previous_));
}

} // namespace dravonix
