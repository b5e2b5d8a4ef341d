# Cross toolchain for envsweep: MinGW-w64 with posix threads, tests run under Wine.
#
# The program is a 32-bit Windows program (ENVSWEEP_ARCH=i686). Running 32-bit Windows programs
# under Wine needs a Linux kernel that executes 32-bit binaries; where it cannot (the probe below
# fails), the same sources are built for x86_64 so that the tests still run, in a 64-bit prefix.
if(NOT DEFINED ENVSWEEP_ARCH)
  execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE wine32_rc
                  OUTPUT_QUIET ERROR_QUIET)
  if(wine32_rc EQUAL 0)
    set(ENVSWEEP_ARCH i686)
  else()
    set(ENVSWEEP_ARCH x86_64)
  endif()
endif()
set(ENVSWEEP_ARCH ${ENVSWEEP_ARCH} CACHE STRING "Target processor: i686 (the product) or x86_64 (tests where 32-bit Wine cannot run)")

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ENVSWEEP_ARCH})
set(triple ${ENVSWEEP_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables are Windows programs: CTest starts them through our Wine runner.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/winerun.sh)
