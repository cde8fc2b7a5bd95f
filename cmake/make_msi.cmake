# Builds the per-user installer with wixl (Debian's msitools):
#   cmake -DWXS=packaging/maskfold.wxs -DICON=assets/maskfold.ico -DVERSION=0.1.0
#         -DOUTPUT=maskfold-0.1.0-win32.msi (-DFILES_DIR=dir | -DZIP=release.zip)
#         -P cmake/make_msi.cmake
# The program's files come from a folder (CPack's staging) or from the
# release zip.
foreach(required WXS ICON VERSION OUTPUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "make_msi.cmake needs -D${required}=...")
  endif()
endforeach()

get_filename_component(output "${OUTPUT}" ABSOLUTE)
set(work "${output}.files")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
if(DEFINED ZIP)
  file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${work}")
elseif(DEFINED FILES_DIR)
  file(COPY "${FILES_DIR}/" DESTINATION "${work}")
else()
  message(FATAL_ERROR "make_msi.cmake needs -DFILES_DIR=... or -DZIP=...")
endif()
file(COPY "${ICON}" DESTINATION "${work}")

find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
# wixl finds the sources named in the .wxs relative to where it runs.
execute_process(
  COMMAND "${WIXL}" --arch x86 -D "Version=${VERSION}" -o "${output}" "${WXS}"
  WORKING_DIRECTORY "${work}" RESULT_VARIABLE built ERROR_VARIABLE messages)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "wixl could not build ${output}:\n${messages}")
endif()
# NeverOverwrite (128) and Permanent (16) on the proxy list's component.
execute_process(
  COMMAND "${MSIBUILD}" "${output}" -q
          "UPDATE `Component` SET `Attributes` = 144 WHERE `Component` = 'ProxyList'"
  RESULT_VARIABLE patched ERROR_VARIABLE messages)
if(NOT patched EQUAL 0)
  message(FATAL_ERROR "msibuild could not mark the proxy list of ${output}:\n${messages}")
endif()
file(REMOVE_RECURSE "${work}")
