# The shop release: split debug information, strip, sign when a certificate is
# given, checksums and the two archives (what shops get, and the debug file kept
# apart for reading crashes). Two builds of one commit give the same bytes: the
# time stamps come from the commit (source-date.cmake), build paths are mapped
# away, and nothing else of the machine goes in.
include(${CMAKE_SOURCE_DIR}/cmake/source-date.cmake)
find_program(VELMORA_OBJCOPY ${VELMORA_MINGW_TRIPLET}-objcopy REQUIRED)
find_program(VELMORA_STRIP ${VELMORA_MINGW_TRIPLET}-strip REQUIRED)

set(VELMORA_EXE_NAME ServicoVelmoraNFCe.exe)
set(VELMORA_DEBUG_NAME ServicoVelmoraNFCe.exe.debug)
# The guide as shipped: its version line filled in from project(VERSION).
configure_file(${CMAKE_SOURCE_DIR}/app/LEIA-ME.txt ${CMAKE_BINARY_DIR}/LEIA-ME.txt @ONLY NEWLINE_STYLE CRLF)
set(VELMORA_GUIDE ${CMAKE_BINARY_DIR}/LEIA-ME.txt)
set(VELMORA_SUMS ${CMAKE_BINARY_DIR}/SHA256SUMS)

# The linker, objcopy and strip each write the PE time stamp: from
# SOURCE_DATE_EPOCH when it is set, else from the clock.
if(VELMORA_WITH_SOURCE_DATE)
  set_target_properties(ServicoVelmoraNFCe PROPERTIES CXX_LINKER_LAUNCHER "${VELMORA_WITH_SOURCE_DATE}")
endif()

# The debug link names the file only (no folder), so the executable keeps no build path.
# Signing comes last: it covers the final bytes, and SHA256SUMS covers the signed file.
add_custom_command(TARGET ServicoVelmoraNFCe POST_BUILD
  COMMAND ${VELMORA_WITH_SOURCE_DATE} ${VELMORA_OBJCOPY} --only-keep-debug ${VELMORA_EXE_NAME} ${VELMORA_DEBUG_NAME}
  COMMAND ${VELMORA_WITH_SOURCE_DATE} ${VELMORA_STRIP} --strip-all ${VELMORA_EXE_NAME}
  COMMAND ${VELMORA_WITH_SOURCE_DATE} ${VELMORA_OBJCOPY} --add-gnu-debuglink=${VELMORA_DEBUG_NAME} ${VELMORA_EXE_NAME}
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:ServicoVelmoraNFCe>
    "-DDESCRIPTION=Velmora NFC-e Starter"
    -DSIGNING_TIME=${VELMORA_SOURCE_DATE_EPOCH} -P ${CMAKE_SOURCE_DIR}/cmake/sign.cmake
  WORKING_DIRECTORY $<TARGET_FILE_DIR:ServicoVelmoraNFCe>
  COMMENT "Splitting the debug information off ${VELMORA_EXE_NAME}"
  VERBATIM)

add_custom_command(OUTPUT ${VELMORA_SUMS}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${VELMORA_SUMS}
    "-DFILES=$<TARGET_FILE:ServicoVelmoraNFCe>;${VELMORA_GUIDE}"
    -P ${CMAKE_SOURCE_DIR}/cmake/sha256sums.cmake
  DEPENDS ServicoVelmoraNFCe ${VELMORA_GUIDE} ${CMAKE_SOURCE_DIR}/cmake/sha256sums.cmake
  VERBATIM)
add_custom_target(velmora_sums ALL DEPENDS ${VELMORA_SUMS})

# Installed as files, not as a target, so the archive holds the build's bytes.
install(PROGRAMS $<TARGET_FILE:ServicoVelmoraNFCe> DESTINATION . COMPONENT programa)
install(FILES ${VELMORA_GUIDE} ${VELMORA_SUMS} DESTINATION . COMPONENT programa)
install(FILES $<TARGET_FILE_DIR:ServicoVelmoraNFCe>/${VELMORA_DEBUG_NAME} DESTINATION . COMPONENT depuracao)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ServicoVelmoraNFCe)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ServicoVelmoraNFCe-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programa depuracao)
set(CPACK_ARCHIVE_PROGRAMA_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
set(CPACK_ARCHIVE_DEPURACAO_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-debug)
# CPack dates the archives' entries from SOURCE_DATE_EPOCH when its process has
# it; a zip entry's DOS date is local time, so the time zone is fixed too.
if(NOT VELMORA_SOURCE_DATE_EPOCH STREQUAL "")
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake)
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
    "set(ENV{SOURCE_DATE_EPOCH} ${VELMORA_SOURCE_DATE_EPOCH})\nset(ENV{TZ} UTC)\n")
endif()
# Entries record their owner's uid and gid: made 0:0, whoever builds.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package-owner.cmake)
include(CPack)
