# CPack's last step for the release archives (CPACK_POST_BUILD_SCRIPTS): the
# owner recorded for each entry becomes 0:0, whoever built them.
find_program(VELMORA_PYTHON python3 REQUIRED)
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${VELMORA_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/zip-owner.py ${archive}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not set the owner of the entries of ${archive}")
  endif()
endforeach()
