# Install helpers: the run path of the programs and files whose text or place depends on the prefix
# they are installed below (`cmake --install --prefix`, or /usr when CPack builds the packages).

# qda_set_install_rpath(<target>)
# The installed program finds libVantorUsbDrv.so in <prefix>/<libdir>. Below /usr and /usr/local
# the system's loader searches that folder; any other prefix gets a run path relative to the program.
set(QDA_SYSTEM_PREFIXES /usr /usr/local)
function(qda_set_install_rpath target)
    if(NOT CMAKE_INSTALL_PREFIX IN_LIST QDA_SYSTEM_PREFIXES)
        set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    endif()
endfunction()

# qda_install_configured(<template> <destination> <name> <component> [MODE <octal>])
# Installs <template> as <destination>/<name>, with @QDA_PREFIX@, @QDA_LIBDIR@, @QDA_INCLUDEDIR@,
# @QDA_SBINDIR@ and @QDA_VERSION@ replaced at install time. A relative <destination> is below the
# prefix; "@SYSTEMD@" and "@UDEV@" stand for the folders of systemd units and udev rules, which are
# /lib/systemd/system and /lib/udev/rules.d for the prefix /usr (where Debian's systemd and udev
# look) and <prefix>/lib/systemd/system, <prefix>/lib/udev/rules.d otherwise.
function(qda_install_configured template destination name component)
    cmake_parse_arguments(A "" "MODE" "" ${ARGN})
    if(NOT A_MODE)
        set(A_MODE 644)
    endif()
    install(CODE "
        set(QDA_TEMPLATE \"${template}\")
        set(QDA_DESTINATION \"${destination}\")
        set(QDA_NAME \"${name}\")
        set(QDA_MODE \"${A_MODE}\")
        set(QDA_WORK \"${CMAKE_CURRENT_BINARY_DIR}/install-time\")
        set(QDA_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
        set(QDA_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
        set(QDA_SBINDIR \"${CMAKE_INSTALL_SBINDIR}\")
        set(QDA_VERSION \"${PROJECT_VERSION}\")
        include(\"${PROJECT_SOURCE_DIR}/cmake/QdaInstallConfigured.cmake\")"
        COMPONENT ${component})
endfunction()
