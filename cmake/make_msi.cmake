# Builds the per-user installer with wixl (Debian's msitools):
#   cmake -DWXS=packaging/maskfold.wxs -DICON=assets/maskfold.ico -DVERSION=0.1.0
#         -DOUTPUT=maskfold-0.1.0-win32.msi (-DFILES_DIR=dir | -DZIP=release.zip)
#         -P cmake/make_msi.cmake
# The maker's name comes from the program's identifiers (maker.cmake).
# The program's files come from a folder (CPack's staging) or from the
# release zip. The package is read back with msiinfo and checked: a package
# that fails a check is not left behind.
cmake_minimum_required(VERSION 3.25)
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
file(GLOB shipped RELATIVE "${work}" "${work}/*")
file(COPY "${ICON}" DESTINATION "${work}")

include(${CMAKE_CURRENT_LIST_DIR}/maker.cmake)
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
find_program(MSIINFO msiinfo REQUIRED)
# wixl finds the sources named in the .wxs relative to where it runs. It
# passes over what it does not know with a warning and still writes a
# package: any word from it fails the build.
execute_process(
  COMMAND "${WIXL}" --arch x86 -D "Version=${VERSION}" -D "Maker=${MASKFOLD_MAKER}"
          -o "${output}" "${WXS}"
  WORKING_DIRECTORY "${work}" RESULT_VARIABLE built OUTPUT_VARIABLE messages
  ERROR_VARIABLE messages)
if(NOT built EQUAL 0 OR NOT messages STREQUAL "")
  file(REMOVE_RECURSE "${output}" "${work}")
  message(FATAL_ERROR "wixl failed or warned building ${output}:\n${messages}")
endif()

# The package's tables as msiinfo reads them, a row a line.
function(msi_table table out)
  execute_process(COMMAND "${MSIINFO}" export "${output}" ${table}
    RESULT_VARIABLE exported OUTPUT_VARIABLE rows ERROR_VARIABLE messages)
  if(NOT exported EQUAL 0)
    file(REMOVE_RECURSE "${output}" "${work}")
    message(FATAL_ERROR "msiinfo cannot read the ${table} table of ${output}:\n${messages}")
  endif()
  string(REPLACE "\r" "" rows "${rows}")
  set(${out} "\n${rows}" PARENT_SCOPE)
endfunction()
msi_table(Property property)
string(REGEX MATCH "\nUpgradeCode\t({[-0-9A-Fa-f]+})\n" found "${property}")
string(TOUPPER "${CMAKE_MATCH_1}" upgrade_code)

# What wixl does not write: NeverOverwrite (128) and Permanent (16) on the
# components of the user's files, and the installed version itself among
# those an upgrade replaces (VersionMaxInclusive, 512, beside
# MigrateFeatures, 1), so that another build of the same version takes the
# installed one's place instead of lying beside it. The attributes are part
# of the Upgrade row's key: the row is written anew.
foreach(query
    "UPDATE `Component` SET `Attributes` = 144 WHERE `Component` = 'ProxyList' OR `Component` = 'HandCursor'"
    "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"
    "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${upgrade_code}', '${VERSION}', 513, 'WIX_UPGRADE_DETECTED')")
  execute_process(COMMAND "${MSIBUILD}" "${output}" -q "${query}"
    RESULT_VARIABLE patched ERROR_VARIABLE messages)
  if(NOT patched EQUAL 0)
    file(REMOVE_RECURSE "${output}" "${work}")
    message(FATAL_ERROR "msibuild could not change ${output} (${query}):\n${messages}")
  endif()
endforeach()
file(REMOVE_RECURSE "${work}")

# The package read back: the tables the install, the upgrade and the user's
# files rely on.
set(problems "")
function(expect rows pattern what)
  if(NOT rows MATCHES "${pattern}")
    set(problems "${problems}\n  ${what}" PARENT_SCOPE)
  endif()
endfunction()

msi_table(Upgrade upgrade)
msi_table(LaunchCondition launch)
msi_table(InstallExecuteSequence sequence)
msi_table(Component component)
msi_table(File files)
string(REPLACE "." "[.]" version "${VERSION}")
expect("${property}" "\nProductVersion\t${version}\n" "the product's version is ${VERSION}")
string(REGEX REPLACE "[{}]" "[\\0]" code "${upgrade_code}")
expect("${upgrade}" "\n${code}\t\t${version}\t\t513\t\tWIX_UPGRADE_DETECTED\n"
  "an upgrade replaces the same product up to and with version ${VERSION}")
expect("${upgrade}" "\n${code}\t${version}\t\t\t2\t\tWIX_DOWNGRADE_DETECTED\n"
  "a newer version of the same product is only detected")
expect("${launch}" "\nNOT WIX_DOWNGRADE_DETECTED\t" "a newer version installed stops the install")
foreach(action FindRelatedProducts LaunchConditions InstallValidate RemoveExistingProducts
    InstallInitialize)
  set(${action} -1)
  if("${sequence}" MATCHES "\n${action}\t\t([0-9]+)\n")
    set(${action} ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT (FindRelatedProducts GREATER 0 AND FindRelatedProducts LESS LaunchConditions AND
        InstallValidate LESS RemoveExistingProducts AND
        RemoveExistingProducts LESS InstallInitialize))
  string(APPEND problems "\n  the installed product is found before the launch conditions and"
    " removed before the new files go in")
endif()
set(kept_components ProxyList HandCursor)
set(kept_files proxy.dat hand.cur)
foreach(id file IN ZIP_LISTS kept_components kept_files)
  expect("${component}" "\n${id}\t[^\t\n]*\tINSTALLDIR\t144\t\t${file}\n"
    "${file} is neither overwritten nor removed")
endforeach()
foreach(file IN LISTS shipped)
  string(REPLACE "." "[.]" name "${file}")
  expect("${files}" "\n[^\t\n]+\t[^\t\n]+\t([^\t\n|]*[|])?${name}\t" "${file} is installed")
endforeach()
execute_process(COMMAND "${MSIINFO}" suminfo "${output}" OUTPUT_VARIABLE summary)
# Word count 2 (compressed) + 8 (installs without elevation).
expect("${summary}" "\nSource: 10 " "the package is compressed and needs no elevation")

if(NOT problems STREQUAL "")
  file(REMOVE "${output}")
  message(FATAL_ERROR "${output} fails its checks:${problems}")
endif()
