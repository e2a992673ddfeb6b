# Releases: what `cmake --install` puts where, the Debian package (CPack DEB) and the version
# resources of the Windows binaries. scripts/package.sh builds the packages from this: the .deb
# with cpack, and the Windows zip and setup from an install of each Windows build.
#
# The version is the project's (project(Halvex VERSION ...)); it reaches both programs'
# --version, the Windows version resources and every package name.

# The programs' build knows its version; scripts/package.sh reads it here to name the packages.
file(WRITE ${CMAKE_BINARY_DIR}/halvex-version.txt "${PROJECT_VERSION}\n")

if(NOT TARGET halvex OR NOT TARGET halvex-host)
    # Builds without the plug-in and the host (sanitizer and fuzz builds) are never packaged.
    return()
endif()

# Installed layout. Windows: one folder as the user unpacks or installs it, programs at the top.
# Linux: the Debian file-system layout under the prefix (/usr in the package).
if(WIN32)
    set(HALVEX_INSTALL_BIN .)
    set(HALVEX_INSTALL_LIB .)
    set(HALVEX_INSTALL_DOC .)
else()
    set(HALVEX_INSTALL_BIN bin)
    set(HALVEX_INSTALL_LIB lib)
    if(CMAKE_LIBRARY_ARCHITECTURE)
        set(HALVEX_INSTALL_LIB lib/${CMAKE_LIBRARY_ARCHITECTURE})
    endif()
    set(HALVEX_INSTALL_DOC share/doc/halvex)
endif()

# Every package: the plug-in, the host program, the host's C header, the documentation a user
# and a host's developer need (with the pictures and the example host the pages link to), and
# a demo show with a sample ETS export and a sample record made from them:
#   halvex-host configure demo-scene.rec --show show.json --accept --bus knx
#       --import-esf demo-building.esf --assign scene1:1:0/0/1 --assign dimmer1:3:1/1/2
#       --assign device1:1:1/1/2
install(TARGETS halvex-host RUNTIME DESTINATION ${HALVEX_INSTALL_BIN})
if(WIN32)
    # The DLL alone: hosts load it with LoadLibrary, so its import library is of no use.
    install(PROGRAMS $<TARGET_FILE:halvex> DESTINATION ${HALVEX_INSTALL_LIB})
else()
    install(TARGETS halvex LIBRARY DESTINATION ${HALVEX_INSTALL_LIB})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/halvex/plugin.h DESTINATION include/halvex)
install(FILES
    ${PROJECT_SOURCE_DIR}/docs/user-guide.md
    ${PROJECT_SOURCE_DIR}/docs/host-api.md
    ${PROJECT_SOURCE_DIR}/docs/host.md
    ${PROJECT_SOURCE_DIR}/docs/ets-export.md
    ${PROJECT_SOURCE_DIR}/docs/record-format.md
    ${PROJECT_SOURCE_DIR}/docs/protocol.md
    DESTINATION ${HALVEX_INSTALL_DOC}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${HALVEX_INSTALL_DOC}/docs)
install(FILES ${PROJECT_SOURCE_DIR}/examples/minimal-host/minimal_host.c
        DESTINATION ${HALVEX_INSTALL_DOC}/examples/minimal-host)
install(FILES
    ${PROJECT_SOURCE_DIR}/resources/demo/show.json
    ${PROJECT_SOURCE_DIR}/resources/samples/demo-building.esf
    ${PROJECT_SOURCE_DIR}/packaging/examples/demo-scene.rec
    DESTINATION ${HALVEX_INSTALL_DOC}/examples)

if(WIN32)
    # Version resources: Properties > Details of the DLL and the host show the project version.
    function(halvex_version_resource target file_name file_type description)
        set(HALVEX_FILE_NAME ${file_name})
        set(HALVEX_FILE_TYPE ${file_type})
        set(HALVEX_FILE_DESCRIPTION ${description})
        set(rc ${CMAKE_BINARY_DIR}/packaging/${target}-version.rc)
        configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
        target_sources(${target} PRIVATE ${rc})
    endfunction()
    halvex_version_resource(halvex halvex.dll VFT_DLL
                            "Halvex configuration plug-in for DMX lighting-control hosts")
    halvex_version_resource(halvex-host halvex-host.exe VFT_APP
                            "Halvex host program: drives the Halvex plug-in as a host does")

    # The 64-bit build is packaged too, for the setup check where 32-bit programs cannot run.
    math(EXPR HALVEX_WINDOWS_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
                   ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)
    return()
endif()

# Linux: the simulator, the test bed, the dissector where Wireshark looks for Lua plug-ins, and
# the man pages.
install(TARGETS halvex-gateway-sim RUNTIME DESTINATION ${HALVEX_INSTALL_BIN})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/testbed.sh DESTINATION share/halvex)
install(FILES ${PROJECT_SOURCE_DIR}/tools/wireshark/halvex.lua
        DESTINATION ${HALVEX_INSTALL_LIB}/wireshark/plugins)

set(man_pages)
foreach(program halvex-host halvex-gateway-sim)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in ${page} @ONLY)
    add_custom_command(OUTPUT ${page}.gz COMMAND gzip -9 -n -k -f ${page} DEPENDS ${page})
    install(FILES ${page}.gz DESTINATION share/man/man1)
    list(APPEND man_pages ${page}.gz)
endforeach()
add_custom_target(halvex_man_pages ALL DEPENDS ${man_pages})

# An installed halvex-host finds the plug-in in the library folder beside its own bin folder;
# run from the build tree it uses the plug-in built with it (host/PluginLibrary.cpp).
file(RELATIVE_PATH library_from_bin /${HALVEX_INSTALL_BIN} /${HALVEX_INSTALL_LIB})
target_compile_definitions(halvex_host_lib PRIVATE
    HALVEX_INSTALLED_LIBRARY="${library_from_bin}/$<TARGET_FILE_NAME:halvex>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvex)
set(CPACK_PACKAGE_VENDOR "Halvex project")
set(HALVEX_PACKAGE_MAINTAINER "Halvex developers <halvex@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${HALVEX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "KNX, EnOcean and WLAN to DMX gateway configuration plug-in for lighting-control hosts")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
Halvex is a plug-in library (libhalvex.so) that a DMX lighting-control host loads to
configure a building-bus-to-DMX gateway: group addresses or EnOcean transmitters are
assigned to the host's scenes, DMX channels and devices, and the configuration is uploaded
to the gateway.
.
The package holds the library and its C header, halvex-host (a host program that drives the
plug-in), halvex-gateway-sim (simulated gateways), the network test bed script they run in,
a Wireshark dissector for the gateway protocol, and the documentation.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies as dpkg-shlibdeps computes them from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no binary shows: Qt loads its platform plug-ins (offscreen, xcb) at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# What the scripts and the dissector use.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS iproute2)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tshark | wireshark")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
