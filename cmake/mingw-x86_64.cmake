# Cross-building for Windows (x86_64) with Debian's mingw-w64 GCC, threads variant "posix" (the
# "win32" variant lacks std::mutex and std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLMIX_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOLMIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLMIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLMIX_MINGW_TRIPLET}-windres)

# Libraries built for Windows from Debian's sources (scripts/windows-deps) live in the build's
# deps folder; the toolchain's own headers and libraries beside them.
if(NOT TOLMIX_WINDOWS_DEPS)
  set(TOLMIX_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-windows/x86_64/deps)
endif()
get_filename_component(TOLMIX_WINDOWS_DEPS "${TOLMIX_WINDOWS_DEPS}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${TOLMIX_MINGW_TRIPLET} ${TOLMIX_WINDOWS_DEPS})
set(CMAKE_PREFIX_PATH ${TOLMIX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the Windows libraries only.
set(ENV{PKG_CONFIG_LIBDIR} ${TOLMIX_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Test programs run under wine, with the runtime DLLs on their path (test discovery, ctest).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
