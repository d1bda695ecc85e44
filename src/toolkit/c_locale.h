#pragma once
// Numbers we write as text always use "." as the decimal point. The process
// locale follows the user's (Qt sets it from the environment at start), so
// printf-style formatting switches the calling thread to the "C" locale for
// the duration of one call.

namespace dravonix {

class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    void* previous_ = nullptr;
};

} // namespace dravonix
