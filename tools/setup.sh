#!/bin/sh
# Installs the build and test tools on a Debian 12 machine (as root), once.
set -e
need=""
command -v cmake >/dev/null || need="$need cmake"
command -v g++ >/dev/null || need="$need g++"
[ -d /usr/lib/gcc/x86_64-linux-gnu/12/32 ] || need="$need g++-multilib"
command -v i686-w64-mingw32-g++-posix >/dev/null || need="$need g++-mingw-w64-i686"
dpkg -s libgtest-dev:i386 >/dev/null 2>&1 || need="$need libgtest-dev:i386"
# The GoogleTest sources, built with the mingw compilers for the Windows tests.
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
dpkg -s libbenchmark-dev:i386 >/dev/null 2>&1 || need="$need libbenchmark-dev:i386"
command -v wine >/dev/null || need="$need wine"
dpkg -s wine32:i386 >/dev/null 2>&1 || need="$need wine32:i386"
command -v make >/dev/null || need="$need make"
command -v zip >/dev/null || need="$need zip"
command -v unzip >/dev/null || need="$need unzip"
# The mutation run (tools/mutate.py).
command -v python3 >/dev/null || need="$need python3"
command -v valgrind >/dev/null || need="$need valgrind"
[ -d /usr/share/i18n/locales ] || need="$need locales"
# The renderer of the stand-in's screen (pictures and the window) and its tests.
dpkg -s libsdl2-dev:i386 >/dev/null 2>&1 || need="$need libsdl2-dev:i386"
dpkg -s libsdl2-ttf-dev:i386 >/dev/null 2>&1 || need="$need libsdl2-ttf-dev:i386"
dpkg -s libsdl2-image-dev:i386 >/dev/null 2>&1 || need="$need libsdl2-image-dev:i386"
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || need="$need fonts-dejavu-core"
command -v Xvfb >/dev/null || need="$need xvfb"
command -v xdotool >/dev/null || need="$need xdotool"
# The chat server of the network chat service's tests and `make live`.
[ -x /usr/sbin/ngircd ] || need="$need ngircd"
# The fuzz targets: clang with its 32-bit fuzzer and sanitizer runtimes.
command -v clang++ >/dev/null || need="$need clang"
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-i386.a >/dev/null 2>&1 || need="$need libclang-rt-dev"
if [ -n "$need" ]; then
  echo "installing:$need"
  dpkg --print-foreign-architectures | grep -q i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 install -y -qq $need >/dev/null
fi
