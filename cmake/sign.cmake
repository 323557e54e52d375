# Signs the executable in place with Authenticode (SHA-256) when the
# environment names a PKCS#12 file and its password:
#   SIGN_PKCS12=company.pfx SIGN_PASSWORD=... cmake --workflow --preset release
# Otherwise the release stays unsigned and says so in one line.
#   cmake -DEXE=... -DDESCRIPTION=... [-DSIGNING_TIME=epoch] -P sign.cmake
# SIGN_TIMESTAMP_URL (optional) names an RFC 3161 time-stamp server, so that
# the signature stays valid after the certificate expires; it needs the network.
set(pkcs12 "$ENV{SIGN_PKCS12}")
set(password "$ENV{SIGN_PASSWORD}")
if(pkcs12 STREQUAL "" AND password STREQUAL "")
  message(STATUS "Unsigned: SIGN_PKCS12 and SIGN_PASSWORD are not set, so the package is not signed.")
  return()
endif()
if(pkcs12 STREQUAL "" OR password STREQUAL "")
  message(FATAL_ERROR "Signing needs both SIGN_PKCS12 (the .pfx/.p12 file) and SIGN_PASSWORD.")
endif()
if(NOT EXISTS "${pkcs12}")
  message(FATAL_ERROR "SIGN_PKCS12 names no file: ${pkcs12}")
endif()
find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
  message(FATAL_ERROR "Signing needs osslsigncode (Debian package osslsigncode).")
endif()

set(options -h sha256 -n "${DESCRIPTION}")
if(SIGNING_TIME)
  # The signature's own time follows the release's: the same key signs the same
  # bytes the same way.
  list(APPEND options -time ${SIGNING_TIME})
endif()
if(NOT "$ENV{SIGN_TIMESTAMP_URL}" STREQUAL "")
  list(APPEND options -ts "$ENV{SIGN_TIMESTAMP_URL}")
endif()

# The password travels in a file only its owner can read, never on a command line.
get_filename_component(dir "${EXE}" DIRECTORY)
set(passfile "${dir}/.sign-password")
set(signed "${EXE}.signed")
file(REMOVE "${passfile}" "${signed}")
file(TOUCH "${passfile}")
file(CHMOD "${passfile}" PERMISSIONS OWNER_READ OWNER_WRITE)
file(WRITE "${passfile}" "${password}")
execute_process(
  COMMAND ${OSSLSIGNCODE} sign -pkcs12 "${pkcs12}" -readpass "${passfile}" ${options}
    -in "${EXE}" -out "${signed}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(REMOVE "${passfile}")
if(NOT result EQUAL 0)
  file(REMOVE "${signed}")
  message(FATAL_ERROR "osslsigncode could not sign ${EXE}:\n${output}")
endif()
file(RENAME "${signed}" "${EXE}")
message(STATUS "Signed (Authenticode, SHA-256): ${EXE}")
