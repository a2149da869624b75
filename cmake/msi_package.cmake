# Run by cpack's External generator in the Windows build: wixl makes the
# installer from the files cpack staged, as packaging/windows/fractals.wxs
# lays them out.
find_program(WIXL wixl)
if(NOT WIXL)
  message(FATAL_ERROR "wixl (Debian's wixl package) is needed for the installer")
endif()
set(msi ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
# wixl takes its sources relative to the folder it runs in, and leaves the
# icon's copy there.
set(work ${CPACK_TOPLEVEL_DIRECTORY}/wixl)
file(MAKE_DIRECTORY ${work})
file(RELATIVE_PATH stage ${work} ${CPACK_TEMPORARY_DIRECTORY})
file(RELATIVE_PATH icon ${work} ${CPACK_FRACTALS_ICO})
execute_process(
  COMMAND ${WIXL} -a x64 -D Version=${CPACK_PACKAGE_VERSION}
          -D UpgradeCode=${CPACK_FRACTALS_UPGRADE_CODE} -D Stage=${stage} -D Icon=${icon}
          -o ${msi} ${CPACK_FRACTALS_WXS}
  WORKING_DIRECTORY ${work} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "wixl failed: ${result}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
