// Resource ids and the version, shared by tollivox.rc and the code that loads them.
#pragma once

#define IDI_TOLLIVOX 1

// The program reads its major and minor numbers back from the version resource. They come from
// one place, the project version in CMakeLists.txt, which the build passes in
// (the text form through tollivox_version.h, which it writes).
#if !defined(TOLLIVOX_VERSION_MAJOR) || !defined(TOLLIVOX_VERSION_MINOR)
#error "TOLLIVOX_VERSION_MAJOR and TOLLIVOX_VERSION_MINOR come from the build"
#endif
