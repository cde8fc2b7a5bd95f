# CPack's External generator: the installer beside the release zip, from the
# same staged files.
execute_process(
  COMMAND "${CMAKE_COMMAND}" -DWXS=${CPACK_MASKFOLD_WXS} -DICON=${CPACK_MASKFOLD_ICON}
          -DVERSION=${CPACK_PACKAGE_VERSION} -DFILES_DIR=${CPACK_TEMPORARY_DIRECTORY}
          -DOUTPUT=${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi
          -P ${CMAKE_CURRENT_LIST_DIR}/make_msi.cmake
  RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the installer could not be built")
endif()
