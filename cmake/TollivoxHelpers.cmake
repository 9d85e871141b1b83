# Helpers shared by the CMakeLists.txt files of this project.

# Options every target of ours gets: the language level and the warnings. Third-party code
# (googletest) is built without them.
add_library(tollivox_options INTERFACE)
target_compile_features(tollivox_options INTERFACE cxx_std_20)
# Compiler options only reach C and C++: the resource compiler takes none of them.
set(tollivoxCode "$<COMPILE_LANGUAGE:C,CXX>")
if(MSVC)
  target_compile_options(tollivox_options INTERFACE "$<${tollivoxCode}:/W4;/permissive-;/utf-8>")
  if(TOLLIVOX_WERROR)
    target_compile_options(tollivox_options INTERFACE "$<${tollivoxCode}:/WX>")
  endif()
else()
  target_compile_options(tollivox_options INTERFACE "$<${tollivoxCode}:-Wall;-Wextra;-Wpedantic>")
  if(TOLLIVOX_WERROR)
    target_compile_options(tollivox_options INTERFACE "$<${tollivoxCode}:-Werror>")
  endif()
endif()
# The version reaches the code and the resource script from one place: project() at the root.
target_compile_definitions(tollivox_options INTERFACE
  TOLLIVOX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} TOLLIVOX_VERSION_MINOR=${PROJECT_VERSION_MINOR})
# The version as text, for the resource script: a header, as windres loses the quotes of a
# string given with -D.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/tollivox_version.h
  CONTENT "#define TOLLIVOX_VERSION_TEXT \"${PROJECT_VERSION}\"\n")
target_include_directories(tollivox_options INTERFACE
  "$<$<COMPILE_LANGUAGE:RC>:${PROJECT_BINARY_DIR}/generated>")
if(WIN32)
  # The Windows layer works in UTF-16; min/max macros would break std::min and std::max.
  # NOMINMAX is defined empty, as a source's own "#define NOMINMAX" does, so both can stand.
  target_compile_definitions(tollivox_options INTERFACE UNICODE _UNICODE NOMINMAX=)
endif()

# tollivox_glob(<out-var> <pattern>...): sources matching the patterns (relative to the current
# source directory), re-globbed at build time so new files need no CMake edits.
function(tollivox_glob out)
  set(files)
  foreach(pattern IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# tollivox_link_first(<target> <scope> <candidate>...): links the first candidate target that
# exists, so that a target still builds while the library it prefers has no sources yet.
function(tollivox_link_first target scope)
  foreach(candidate IN LISTS ARGN)
    if(TARGET ${candidate})
      target_link_libraries(${target} ${scope} ${candidate})
      return()
    endif()
  endforeach()
endfunction()

# tollivox_windows_entry(<target> <source>...): looks at the entry point the sources define.
# MinGW needs -municode for wWinMain/wmain; a WinMain program gets the GUI subsystem.
function(tollivox_windows_entry target)
  set(hasWide FALSE)
  set(hasGui FALSE)
  foreach(source IN LISTS ARGN)
    file(STRINGS ${source} wideLines REGEX "(wWinMain|wmain)[ \t]*\\(")
    file(STRINGS ${source} guiLines REGEX "WinMain[ \t]*\\(")
    if(wideLines)
      set(hasWide TRUE)
    endif()
    if(guiLines)
      set(hasGui TRUE)
    endif()
    # Re-run the look when the entry point changes.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  endforeach()
  if(hasGui)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  if(hasWide AND MINGW)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-municode>")
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# tollivox_program_start(<target>): the shipped programs start at src/platform/win32/start, which
# makes the stack protector's guard without the CryptoAPI and restricts the library search before
# the C runtime starts. MinGW only; the entry calls the runtime's entry of a window program.
function(tollivox_program_start target)
  if(NOT MINGW)
    return()
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/win32/start/start.cpp)
  # The linker takes the entry's name as the object file spells it: with the underscore of the
  # 32-bit C names.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--entry=_TollivoxStart)
  else()
    target_link_options(${target} PRIVATE -Wl,--entry=TollivoxStart)
  endif()
endfunction()

# Path of a build directory as the Windows programs under test see it. Wine maps drive Z: to
# the root of the Unix file system.
function(tollivox_windows_path out path)
  if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    string(REPLACE "/" "\\" windowsPath "${path}")
    set(${out} "Z:${windowsPath}" PARENT_SCOPE)
  else()
    file(TO_NATIVE_PATH "${path}" nativePath)
    set(${out} "${nativePath}" PARENT_SCOPE)
  endif()
endfunction()
