# Installs the build into ROOT (as DESTDIR, prefix /usr) and makes the
# packages into PACKAGES, both anew.
file(REMOVE_RECURSE ${ROOT} ${PACKAGES})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT}
                        ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix /usr
                RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
execute_process(COMMAND ${CPACK} -B ${PACKAGES}
                WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "cpack failed: ${result}")
endif()
