# The shipped build: small, stripped executables whose bytes depend only on the sources, with the
# debug information kept beside the build (NAME.exe.debug) for reading a crash.

if(NOT MINGW)
  message(WARNING "TOLLIVOX_RELEASE applies to MinGW builds only")
  return()
endif()

# -g is kept for the separate debug files; it does not change the code. The file-prefix maps keep
# the checkout's and the build tree's location out of the debug files, and so out of the debug
# link's checksum in the executable (the later map wins where both match).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-g;-ffunction-sections;-fdata-sections;-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>")
# No link time stamp in the PE header: two builds of one commit give the same bytes.
add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp)

find_program(TOLLIVOX_OBJCOPY NAMES ${TOLLIVOX_MINGW_TRIPLE}-objcopy objcopy REQUIRED)
# objcopy stamps every PE file it writes with SOURCE_DATE_EPOCH, or else the time of day: 0, as
# the linker leaves it.
set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${TOLLIVOX_OBJCOPY})

# tollivox_ship(<target>...), called where the targets are made: after each link, moves the
# debug information into NAME.exe.debug, strips the executable and links it to that file by name
# and checksum.
function(tollivox_ship)
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      continue()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
      COMMAND ${objcopy} --strip-all $<TARGET_FILE:${target}>
      COMMAND ${CMAKE_COMMAND} -E chdir $<TARGET_FILE_DIR:${target}> ${objcopy}
        --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
      VERBATIM)
  endforeach()
endfunction()
