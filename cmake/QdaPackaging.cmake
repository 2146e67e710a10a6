# The Debian packages, made by CPack's DEB generator from the install rules of each folder:
#
#   qd-atlas             program  the program, its language modules, desktop entry, icon, AppStream
#                                 metainfo and help documents
#   vantorusbd           daemon   the USB driver host, its systemd socket and service, the udev rule,
#                                 the group "vantorusb" of the users who may reach it
#   libvantorusbdrv1     library  libVantorUsbDrv.so.1
#   libvantorusbdrv-dev  devel    the C header, the link-time name and vantorusbdrv.pc
#   qd-atlas-tools       tools    qd-atlas-cli and qd-atlas-sim
#
# `cpack -G DEB` in a build folder (scripts/package.sh does it all) writes them; the files always go
# below /usr whatever CMAKE_INSTALL_PREFIX says. Dependencies on other Debian packages come from the
# binaries (dpkg-shlibdeps); those between these packages from the component dependencies.

set(QDA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QDA_DOC_WORK ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qd-atlas)
set(CPACK_PACKAGE_VENDOR "Vantor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QD-Atlas developers <qd-atlas@vantor.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program daemon library devel tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE qd-atlas)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# dpkg-shlibdeps finds libVantorUsbDrv.so.1 of this build here; the dependency on its package is
# the component dependency below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME qd-atlas)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION science)
# The platform plugins are only recommended by Qt, but the program cannot start without one.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, xdg-utils, vantorusbd")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "qd-atlas-tools")
set(CPACK_COMPONENT_PROGRAM_DEPENDS library)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
    "configuration and monitoring tool for a laser displacement sensor controller
QD-Atlas configures and monitors a laser displacement sensor controller
with two sensor heads, two outputs, eight setting programs and an on-board
data storage, over RS-232C or USB. It receives, edits, saves and sends the
settings, shows measured values, statistics and the received-light waveform,
runs ROVA tuning and reads out the data storage.
.
The program comes in Japanese, English and German, with its user guide in each
language. The controller on USB is reached through the driver host vantorusbd.")

set(CPACK_DEBIAN_DAEMON_PACKAGE_NAME vantorusbd)
set(CPACK_DEBIAN_DAEMON_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_DAEMON_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA
    ${QDA_PACKAGING_DIR}/debian/vantorusbd/postinst
    ${QDA_PACKAGING_DIR}/debian/vantorusbd/prerm
    ${QDA_PACKAGING_DIR}/debian/vantorusbd/postrm)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_DAEMON_DESCRIPTION
    "USB driver host for the QD-Atlas displacement sensor controller
vantorusbd runs the driver of the controller's USB interface in user space
(through libusb) and serves it as the named device VantorUSB_U-0 on a Unix
socket, which libVantorUsbDrv.so and so QD-Atlas use.
.
The package starts the daemon through systemd socket activation and when the
controller is plugged in, grants the logged-in user access to the controller
and creates the group vantorusb: its members may use the socket.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libvantorusbdrv1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The shlibs file of libVantorUsbDrv.so.1 (only that library has a SONAME); the loader's cache is
# refreshed by the ldconfig trigger rather than by maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${QDA_PACKAGING_DIR}/debian/libvantorusbdrv1/triggers)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION
    "USB access library of the QD-Atlas displacement sensor controller
libVantorUsbDrv finds and opens the controller's USB device, either the named
device served by vantorusbd or the controller's bulk pipes through libusb, and
exchanges one command packet and its reply at a time.
.
This package holds the shared library.")

set(CPACK_DEBIAN_DEVEL_PACKAGE_NAME libvantorusbdrv-dev)
set(CPACK_DEBIAN_DEVEL_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVEL_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEVEL_DEPENDS library)
set(CPACK_COMPONENT_DEVEL_DESCRIPTION
    "USB access library of the QD-Atlas controller - development files
libVantorUsbDrv finds and opens the controller's USB device, either the named
device served by vantorusbd or the controller's bulk pipes through libusb, and
exchanges one command packet and its reply at a time.
.
This package holds the C header VantorUsbDrv.h, the link-time library name and
the pkg-config file vantorusbdrv.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME qd-atlas-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION science)
set(CPACK_COMPONENT_TOOLS_DEPENDS library)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "command-line tools for the QD-Atlas displacement sensor controller
qd-atlas-cli receives, checks and sends settings files, reads out the data
storage and reads measured values, statistics and waveforms from scripts.
qd-atlas-sim stands in for the controller on a pseudo-terminal and on a
simulated USB bus, for trying QD-Atlas and scripts without hardware.")

# Every package carries the copyright file and the Debian changelog (compressed at build time).
add_custom_command(
    OUTPUT ${QDA_DOC_WORK}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QDA_DOC_WORK}
    COMMAND sh -c "gzip -9nc '${QDA_PACKAGING_DIR}/debian/changelog' > '${QDA_DOC_WORK}/changelog.gz'"
    DEPENDS ${QDA_PACKAGING_DIR}/debian/changelog
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
add_custom_target(qda_package_changelog ALL DEPENDS ${QDA_DOC_WORK}/changelog.gz)
foreach(component program daemon library devel tools)
    string(TOUPPER ${component} upper)
    install(FILES ${QDA_PACKAGING_DIR}/debian/copyright ${QDA_DOC_WORK}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
            COMPONENT ${component})
endforeach()

# The manual pages, compressed as Debian wants them, each in the package of its program.
set(QDA_MAN_PAGES "qd-atlas.1 program" "qd-atlas-cli.1 tools" "qd-atlas-sim.1 tools" "vantorusbd.8 daemon")
set(QDA_MAN_OUTPUTS)
foreach(entry IN LISTS QDA_MAN_PAGES)
    separate_arguments(entry)
    list(GET entry 0 page)
    list(GET entry 1 component)
    string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
    add_custom_command(
        OUTPUT ${QDA_DOC_WORK}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QDA_DOC_WORK}
        COMMAND sh -c "gzip -9nc '${QDA_PACKAGING_DIR}/man/${page}' > '${QDA_DOC_WORK}/${page}.gz'"
        DEPENDS ${QDA_PACKAGING_DIR}/man/${page}
        COMMENT "Compressing the manual page ${page}"
        VERBATIM)
    list(APPEND QDA_MAN_OUTPUTS ${QDA_DOC_WORK}/${page}.gz)
    install(FILES ${QDA_DOC_WORK}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endforeach()
add_custom_target(qda_manual_pages ALL DEPENDS ${QDA_MAN_OUTPUTS})

include(CPack)
