# The installer of a later version, for the upgrade check: the same files
# (unpacked from the zip) and .wxs, through the step cpack runs, with the
# patch number one higher.
#   cmake -DZIP=... -DOUT=folder -DVERSION=a.b.c -DWXS=... -DICO=... -DUPGRADE_CODE=...
#         -DMAKE_MSI=cmake/msi_package.cmake -P make_later_msi.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/files)
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${OUT}/files)
file(GLOB stage ${OUT}/files/*)
string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\1" major_minor ${VERSION})
string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\2" patch ${VERSION})
math(EXPR patch "${patch} + 1")
set(CPACK_TOPLEVEL_DIRECTORY ${OUT})
set(CPACK_TEMPORARY_DIRECTORY ${stage})
set(CPACK_PACKAGE_FILE_NAME later)
set(CPACK_PACKAGE_VERSION ${major_minor}.${patch})
set(CPACK_FRACTALS_WXS ${WXS})
set(CPACK_FRACTALS_ICO ${ICO})
set(CPACK_FRACTALS_UPGRADE_CODE ${UPGRADE_CODE})
include(${MAKE_MSI})
