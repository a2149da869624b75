# What the build gives beyond the program: the icon's generator, the Windows
# resources, the install rules, the packages CPack makes, and their checks.
set(FRACTALS_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

# Renders the frame the icon is made from (scripts/make-icon.sh), with the
# program's own modules on the in-memory window system.
if(FRACTALS_OS STREQUAL "linux" AND NOT FRACTALS_SANITIZE)
  add_executable(icon_frame ${FRACTALS_PACKAGING}/icon/icon_frame.cpp)
  fractals_link(icon_frame platform_memory)
endif()
