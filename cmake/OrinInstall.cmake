# Where `cmake --install` and the .deb put things, and the helpers the folders'
# CMakeLists call for their targets and files.
#
#   PREFIX/bin/                         orinmedia, orin-cam, orin-camsim, orin-camsim-ctl
#   PREFIX/lib/orinmedia/               the program folder: libTeskDll.so, libPIXA.so, the
#                                       sibling programs, pixa_tbl.tbl, "Orin Media 5_1.pdf"
#   PREFIX/lib/udev/rules.d/            the rule that opens the camera to the logged-in user
#   PREFIX/share/applications, icons/hicolor, metainfo, man/man1
#
# The programs find the libraries through their RUNPATH ($ORIGIN/../lib/orinmedia)
# and the program folder from their own place (app/ProgramFolder.h); in the
# build tree everything sits side by side in build/bin.
include(GNUInstallDirs)

set(ORIN_INSTALL_PROGRAM_DIR "lib/orinmedia" CACHE STRING
    "The program folder, relative to the install prefix: libraries, sibling programs, table file, help document")
set(ORIN_INSTALL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the camera's udev rule goes, relative to the install prefix")
if(IS_ABSOLUTE "${ORIN_INSTALL_PROGRAM_DIR}")
  message(FATAL_ERROR "ORIN_INSTALL_PROGRAM_DIR must be relative to the prefix, not ${ORIN_INSTALL_PROGRAM_DIR}")
endif()

# The program folder as the installed programs see it from their own folder.
file(RELATIVE_PATH ORIN_PROGRAM_FOLDER_FROM_BIN
     "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${ORIN_INSTALL_PROGRAM_DIR}")
set(CMAKE_INSTALL_RPATH "$ORIGIN/${ORIN_PROGRAM_FOLDER_FROM_BIN}")

# A program the user starts: PREFIX/bin.
function(orin_install_programs)
  install(TARGETS ${ARGN} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# A shared library the programs link (libTeskDll.so, libPIXA.so): the program
# folder, found by the programs' RUNPATH. It needs no RUNPATH of its own.
function(orin_install_library target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "")
  install(TARGETS ${target} LIBRARY DESTINATION ${ORIN_INSTALL_PROGRAM_DIR} NAMELINK_SKIP)
endfunction()

# A sibling program the window starts (the image viewer and the others): the
# program folder. It links only system libraries and needs no RUNPATH.
function(orin_install_sibling)
  set_target_properties(${ARGN} PROPERTIES INSTALL_RPATH "")
  install(TARGETS ${ARGN} RUNTIME DESTINATION ${ORIN_INSTALL_PROGRAM_DIR})
endfunction()

# A file the program reads from its program folder (pixa_tbl.tbl, the help
# document, TESKRES.rcc). OPTIONAL: a file this build does not make is left out.
function(orin_install_program_file)
  cmake_parse_arguments(ARG "OPTIONAL" "" "" ${ARGN})
  set(optional)
  if(ARG_OPTIONAL)
    set(optional OPTIONAL)
  endif()
  install(FILES ${ARG_UNPARSED_ARGUMENTS} ${optional} DESTINATION ${ORIN_INSTALL_PROGRAM_DIR})
endfunction()
