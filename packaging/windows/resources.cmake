# The Windows resources of a program: the icon (tapwright.ico, the drawing of
# ui/icon.cpp; the Linux build checks that it is current), the version from
# project() and the manifest, compiled by windres.
#   tapwright_windows_resources(TARGET DESCRIPTION)
set(tapwright_windows_dir ${CMAKE_CURRENT_LIST_DIR})
function(tapwright_windows_resources target description)
    set(TAPWRIGHT_RC_NAME ${target})
    set(TAPWRIGHT_RC_FILE ${target}.exe)
    set(TAPWRIGHT_RC_DESCRIPTION ${description})
    set(TAPWRIGHT_RC_ICON ${tapwright_windows_dir}/tapwright.ico)
    set(TAPWRIGHT_RC_MANIFEST ${tapwright_windows_dir}/tapwright.manifest)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${tapwright_windows_dir}/tapwright.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # The .rc is UTF-8; windres reads it so. The icon and the manifest are
    # not sources CMake sees, so a change to them rebuilds the resource here.
    set_source_files_properties(${rc} PROPERTIES
        COMPILE_OPTIONS "--codepage=65001"
        OBJECT_DEPENDS "${TAPWRIGHT_RC_ICON};${TAPWRIGHT_RC_MANIFEST}")
endfunction()
