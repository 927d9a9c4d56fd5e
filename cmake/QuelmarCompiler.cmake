# The language, the default build type, the warnings and the sanitizers, for every target.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()

add_compile_options(-Wall -Wextra)
# Off by default, so that a newer compiler's new warnings do not stop a user's or a packager's
# build; the test command and CI turn it on.
if(QUELMAR_WERROR)
  add_compile_options(-Werror)
  # GCC 12 at -O3 reports overlapping, overflowing or out-of-bounds copies inside libstdc++'s
  # inlined string and algorithm code that cannot happen (its known false positives); they stay
  # warnings there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options(-Wno-error=restrict -Wno-error=stringop-overflow
                        -Wno-error=stringop-overread -Wno-error=array-bounds)
  endif()
endif()

if(QUELMAR_FUZZ)
  # Coverage for libFuzzer in every library; the fuzz targets link the fuzzer itself.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(QUELMAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
