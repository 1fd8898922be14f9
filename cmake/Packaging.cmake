# What `cmake --install` puts beside the programs, and the Debian package `cpack -G DEB` makes of
# it: the programs, the desktop entry and icon (src/ui/), the manual pages, and one example
# scenario with its audio that the installed ruz-scenario can run.

find_program(RUZ_GZIP gzip REQUIRED)
set(man_pages ruz ruz-scenario)
set(man_outputs "")
foreach(page ${man_pages})
  set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1.in)
  set(page_file ${CMAKE_BINARY_DIR}/man/${page}.1)
  if(page STREQUAL "ruz")
    # Its options, chat commands and environment come from the tables of `ruz --help`.
    add_custom_command(OUTPUT ${page_file}
      COMMAND ruz-man-page ${source} ${page_file} ${PROJECT_VERSION}
      DEPENDS ${source} ruz-man-page
      COMMENT "Writing the manual page ruz.1")
  else()
    configure_file(${source} ${page_file} @ONLY)
  endif()
  add_custom_command(OUTPUT ${page_file}.gz
    COMMAND ${RUZ_GZIP} -9nf -k ${page_file}
    DEPENDS ${source} ${page_file}
    COMMENT "Compressing the manual page ${page}.1")
  list(APPEND man_outputs ${page_file}.gz)
endforeach()
add_custom_target(ruz_man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# One example scenario, and the audio files its `song` steps copy (the last word of each), where
# the installed ruz-scenario looks for them by itself. The other scenarios and fixtures are tests.
set(example_scenario ${CMAKE_SOURCE_DIR}/tests/scenarios/example.scn)
file(STRINGS ${example_scenario} song_steps REGEX "^song ")
set(example_audio "")
foreach(step ${song_steps})
  string(REGEX REPLACE ".* " "" fixture "${step}")
  list(APPEND example_audio ${RUZ_FIXTURES_DIR}/${fixture})
endforeach()
list(REMOVE_DUPLICATES example_audio)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${example_scenario})
install(FILES ${example_audio} DESTINATION ${RUZ_INSTALLED_FIXTURES_DIR})
install(FILES ${example_scenario} DESTINATION ${CMAKE_INSTALL_DATADIR}/taviks-ruz/scenarios)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME taviks-ruz)
set(CPACK_PACKAGE_VENDOR "Taviks Ruz")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small MP3 player that announces its songs in a chat room")
set(CPACK_PACKAGE_DESCRIPTION
  "Taviks Ruz plays the songs of one folder, announces every new song in the open chat room
through a template, obeys commands typed into the room (.skip, .vol -2000, .idle lunch, ...),
answers the desktop's media keys (MPRIS) and hides to the notification area. This build runs
beside a messenger stand-in. ruz-scenario runs the program headless from scenario files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Taviks Ruz developers <ruz@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, with their versions, as dpkg-shlibdeps reads them from the
# binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL is loaded at run time, when a song first plays: no link dependency, so named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.12)")
include(CPack)
