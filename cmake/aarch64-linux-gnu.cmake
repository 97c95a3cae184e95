# Cross-build for 64-bit ARM Linux (Debian's arm64, Raspberry Pi OS 64-bit)
# with Debian's cross compiler and the arm64 development packages installed
# beside the build machine's own (dpkg --add-architecture arm64; Qt 6,
# GoogleTest, Benchmark and MPFR for arm64). Long double is a 128-bit format
# there, so every intermediate result is the software extended type.
#
# Programs and tests run under qemu-aarch64 (user-mode emulation), which
# takes the arm64 loader and libraries that Debian's multiarch packages put
# under /lib and /usr/lib/aarch64-linux-gnu, and the cross compiler's
# runtime from /usr/aarch64-linux-gnu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_AR aarch64-linux-gnu-ar CACHE FILEPATH "")
set(CMAKE_RANLIB aarch64-linux-gnu-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP aarch64-linux-gnu-strip CACHE FILEPATH "")

# Headers and libraries of the target only (the arm64 packages' files under
# /usr, found through the multiarch folder above); programs of the build
# machine (moc, rcc, python3).
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools are the build machine's (qt6-base-dev-tools).
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake CACHE PATH "")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
