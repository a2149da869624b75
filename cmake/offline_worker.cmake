# Writes the site's offline worker: its version is a digest of every file of
# the site, so that any change to the site makes a new worker.
#   cmake -DFOLDER=... -DFILES=a|b|... -DTEMPLATE=... -DOUT=... -P offline_worker.cmake
string(REPLACE "|" ";" files "${FILES}")
set(digests "")
set(quoted "\"./\"")
foreach(file ${files})
  file(SHA256 ${FOLDER}/${file} digest)
  string(APPEND digests "${file} ${digest}\n")
  string(APPEND quoted ", \"${file}\"")
endforeach()
string(SHA256 whole "${digests}")
string(SUBSTRING ${whole} 0 16 FRACTALS_SITE_VERSION)
set(FRACTALS_SITE_FILES "${quoted}")
configure_file(${TEMPLATE} ${OUT} @ONLY)
