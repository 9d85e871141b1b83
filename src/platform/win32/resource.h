// Resource ids and the version, shared by tollivox.rc and the code that loads them.
#pragma once

#define IDI_TOLLIVOX 1

// The program reads its major and minor numbers back from the version resource.
// The build may pass these in from the project version; otherwise this release.
#ifndef TOLLIVOX_VERSION_MAJOR
#define TOLLIVOX_VERSION_MAJOR 1
#endif
#ifndef TOLLIVOX_VERSION_MINOR
#define TOLLIVOX_VERSION_MINOR 10
#endif
#ifndef TOLLIVOX_VERSION_TEXT
#define TOLLIVOX_VERSION_TEXT "1.10"
#endif
