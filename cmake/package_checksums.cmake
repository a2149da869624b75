# Run by cpack after each package it makes: SHA256SUMS beside the packages
# names each package in the folder with its SHA-256, in sha256sum's format
# (sha256sum -c SHA256SUMS checks them). cpack runs this before it copies the
# new packages into the folder, so their hashes come from where it made them.
set(sums ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS)
# The External generator's description of the install (beside the .msi) is
# no package.
list(FILTER CPACK_PACKAGE_FILES EXCLUDE REGEX "\\.json$")
set(entries)
if(EXISTS ${sums})
  file(STRINGS ${sums} lines)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^[0-9a-f]+  (.+)$" entry "${line}")
    set(name ${CMAKE_MATCH_1})
    # Kept while its package is still there and not made anew now.
    set(fresh FALSE)
    foreach(file IN LISTS CPACK_PACKAGE_FILES)
      get_filename_component(made ${file} NAME)
      if(made STREQUAL name)
        set(fresh TRUE)
      endif()
    endforeach()
    if(entry AND NOT fresh AND EXISTS ${CPACK_PACKAGE_DIRECTORY}/${name})
      list(APPEND entries "${line}")
    endif()
  endforeach()
endif()
foreach(file IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 ${file} hash)
  get_filename_component(name ${file} NAME)
  list(APPEND entries "${hash}  ${name}")
endforeach()
list(JOIN entries "\n" text)
file(WRITE ${sums} "${text}\n")
