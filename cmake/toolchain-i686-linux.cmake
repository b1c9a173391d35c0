# A 32-bit x86 Linux build on a 64-bit Debian host (g++-multilib): the
# programs run natively, so this is no cross build and the tests are listed
# and run by ctest as usual. Pointers are 4 bytes here, as in the Windows
# DLL, so the description field holds a real address.
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# Debian installs GoogleTest and Google Benchmark for the host's 64 bits
# only: GoogleTest is built from its source instead, the benchmarks are left
# out. CLI11 is headers only and serves both.
set(VEZUVED_GTEST_FROM_SOURCE ON CACHE BOOL "Build GoogleTest from its source")
set(CMAKE_DISABLE_FIND_PACKAGE_benchmark ON)
set(CMAKE_DISABLE_FIND_PACKAGE_date ON)
# Nor zlib's headers: this build reads no .gz, as it reads no KMZ.
set(CMAKE_DISABLE_FIND_PACKAGE_ZLIB ON)

# Libraries found through pkg-config (expat) come from the 32-bit folder.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
