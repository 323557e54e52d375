# The release's one moment, so that two builds of one commit match byte for
# byte: SOURCE_DATE_EPOCH from the environment, else the time of the last
# commit. It becomes the PE time stamp (the linker, objcopy and strip read it)
# and the date of every entry in the archives.
set(VELMORA_SOURCE_DATE_EPOCH "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VELMORA_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  if(Git_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE VELMORA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0)
      set(VELMORA_SOURCE_DATE_EPOCH "")
    endif()
    # A new commit moves the moment: configure again when the history moves.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE git_head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(git_head_log AND EXISTS "${git_head_log}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_head_log}")
    endif()
  endif()
endif()

if(VELMORA_SOURCE_DATE_EPOCH STREQUAL "")
  message(WARNING "Neither SOURCE_DATE_EPOCH nor a git history: this release takes the "
    "build's own time and cannot be rebuilt byte for byte.")
  set(VELMORA_WITH_SOURCE_DATE)
elseif(NOT VELMORA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '${VELMORA_SOURCE_DATE_EPOCH}'")
else()
  message(STATUS "Release time stamp: SOURCE_DATE_EPOCH=${VELMORA_SOURCE_DATE_EPOCH}")
  # Prefix for the commands that stamp the executable.
  set(VELMORA_WITH_SOURCE_DATE ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELMORA_SOURCE_DATE_EPOCH})
endif()
