// Resource ids and the version, shared by tollivox.rc and the code that loads them.
#pragma once

#define IDI_TOLLIVOX 1

// The program reads its major and minor numbers back from the version resource,
// so these are the only place the version is written.
#define TOLLIVOX_VERSION_MAJOR 1
#define TOLLIVOX_VERSION_MINOR 10
#define TOLLIVOX_VERSION_TEXT "1.10"
