# Runs at install time: writes one desktop launcher per program whose Exec line names the
# link in the prefix actually installed to (cmake --install --prefix, or /usr for the
# Debian package), then installs it so that it is recorded with the other files.
include(${TAV_PACKAGING_DIR}/programs.cmake)
set(TAV_BINDIR "${CMAKE_INSTALL_PREFIX}/bin")
set(_staging "${TAV_STAGING_DIR}")
file(REMOVE_RECURSE "${_staging}")
foreach(TAV_PROGRAM IN LISTS TAV_INSTALLED_PROGRAMS)
    set(TAV_TITLE "${TAV_TITLE_${TAV_PROGRAM}}")
    set(TAV_COMMENT "${TAV_COMMENT_${TAV_PROGRAM}}")
    configure_file(${TAV_PACKAGING_DIR}/launcher.desktop.in
                   "${_staging}/tavrion-${TAV_PROGRAM}.desktop" @ONLY)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
         FILES "${_staging}/tavrion-${TAV_PROGRAM}.desktop")
endforeach()
