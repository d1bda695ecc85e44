# Every target of ours gets the same warning set; CI turns them into errors.
add_library(dravonix_warnings INTERFACE)
target_compile_options(dravonix_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
  $<$<BOOL:${DRAVONIX_WERROR}>:-Werror>)
