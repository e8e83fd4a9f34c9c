# Installs the build into a fresh prefix and checks that every file is where desktops, man and bash
# look for it, and that the installed pieces work: the desktop entry passes the picked files, the
# manual page is a compressed page for tavi, the completion offers the commands and the installed
# tavi runs. Run by CTest with BUILD_DIR, PREFIX and WITH_CLI set.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    bin/tavi-convertor
    share/applications/tavi-convertor.desktop
    share/icons/hicolor/scalable/apps/tavi-convertor.svg
    share/icons/hicolor/256x256/apps/tavi-convertor.png)
if(WITH_CLI)
  list(APPEND expected bin/tavi share/man/man1/tavi.1.gz share/bash-completion/completions/tavi)
endif()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/tavi-convertor.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=tavi-convertor %F")
  message(FATAL_ERROR "the desktop entry does not pass the files: ${exec}")
endif()
file(READ "${PREFIX}/share/icons/hicolor/256x256/apps/tavi-convertor.png" header LIMIT 24 HEX)
# The PNG signature, then the header chunk's width and height: 256 = 0x100 each.
if(NOT header MATCHES "^89504e470d0a1a0a0000000d4948445200000100000001")
  message(FATAL_ERROR "the 256 px icon is not a 256 px PNG: ${header}")
endif()
if(NOT WITH_CLI)
  return()
endif()

execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/tavi.1.gz" OUTPUT_VARIABLE page)
if(NOT page MATCHES "^\\.TH TAVI 1 ")
  message(FATAL_ERROR "the manual page does not start as tavi(1)")
endif()
execute_process(
  COMMAND bash -c "source \"$1\"; COMP_WORDS=(tavi ''); COMP_CWORD=1; _tavi; echo \${COMPREPLY[*]}"
          bash "${PREFIX}/share/bash-completion/completions/tavi"
  OUTPUT_VARIABLE commands OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT commands STREQUAL "convert dump")
  message(FATAL_ERROR "the completion offers '${commands}' instead of the commands")
endif()
execute_process(COMMAND "${PREFIX}/bin/tavi" --version OUTPUT_VARIABLE version RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version MATCHES "^tavi ")
  message(FATAL_ERROR "the installed tavi does not run: ${result} ${version}")
endif()
