# What gets installed, and the two Debian packages made from it by CPack:
#   apropriacao-server   the appserver, its configuration and its service
#   apropriacao-desktop  the host, the framework library and the screen module
# The desktop files live in a folder of their own (lib/apropriacao) with the
# module folder the host looks for beside it (bin/../lib/aprop); a command
# apropriacao in the system's bin folder starts the host.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(APROP_DESKTOP_DIR lib/apropriacao)
set(APROP_DESKTOP_BINDIR ${APROP_DESKTOP_DIR}/bin)
set(APROP_DESKTOP_LIBDIR ${APROP_DESKTOP_DIR}/lib)
set(APROP_DESKTOP_MODULEDIR ${APROP_DESKTOP_DIR}/lib/aprop)

# aprop_install_desktop(TARGET kind): kind is PROGRAM, LIBRARY or MODULE.
function(aprop_install_desktop target kind)
  if(kind STREQUAL "PROGRAM")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
    install(TARGETS ${target} RUNTIME DESTINATION ${APROP_DESKTOP_BINDIR} COMPONENT desktop)
  elseif(kind STREQUAL "LIBRARY")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${target} LIBRARY DESTINATION ${APROP_DESKTOP_LIBDIR} COMPONENT desktop NAMELINK_SKIP)
  elseif(kind STREQUAL "MODULE")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/..")
    install(TARGETS ${target} LIBRARY DESTINATION ${APROP_DESKTOP_MODULEDIR} COMPONENT desktop)
  else()
    message(FATAL_ERROR "aprop_install_desktop(${target}): unknown kind ${kind}")
  endif()
endfunction()

# Packaging builds what the packages hold, not the tests and benchmarks too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

function(aprop_configure_packages)
  set(pkg ${PROJECT_SOURCE_DIR}/packaging)

  # The configuration belongs in /etc whatever the prefix of the programs.
  install(FILES ${pkg}/server/appserver.conf DESTINATION /etc/apropriacao COMPONENT server)
  install(FILES ${pkg}/server/apropriacao-server.service DESTINATION lib/systemd/system COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/protocol.md ${PROJECT_SOURCE_DIR}/docs/import.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/apropriacao-server COMPONENT server)
  # Several application servers behind HAProxy on PostgreSQL with a standby
  # (docs/deployment.md): examples, not enabled.
  install(FILES ${pkg}/server/haproxy.cfg ${pkg}/server/pg_auto_failover-monitor.sql
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/apropriacao-server/examples COMPONENT server)

  install(FILES ${pkg}/desktop/apropriacao.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT desktop)
  install(FILES ${pkg}/desktop/apropriacao.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          COMPONENT desktop)
  file(RELATIVE_PATH to_host /${CMAKE_INSTALL_BINDIR} /${APROP_DESKTOP_BINDIR}/host)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
                file(CREATE_LINK \"${to_host}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/apropriacao\" SYMBOLIC)"
          COMPONENT desktop)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME apropriacao)
  set(CPACK_PACKAGE_VENDOR "Apropriação")
  set(CPACK_PACKAGE_CONTACT "Equipe da Apropriação <apropriacao@localhost>")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_COMPONENTS_ALL server desktop)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The runtime packages come from dpkg-shlibdeps, not from a list kept by hand.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_SERVER_PACKAGE_NAME apropriacao-server)
  set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
  set(CPACK_DEBIAN_SERVER_DESCRIPTION "Servidor de aplicação da Manutenção da Apropriação
 Guarda as apropriações de horas, as tarefas, as atividades e as batidas do
 ponto em SQLite ou PostgreSQL e atende a tela pelo protocolo v1.")
  set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
      ${pkg}/server/postinst ${pkg}/server/prerm ${pkg}/server/postrm)
  set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME apropriacao-desktop)
  set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "Manutenção da Apropriação, a tela e o programa que a abre
 O programa de mesa entra no servidor de aplicação e abre a tela de
 apropriação de horas por tarefa e atividade, dia a dia.")
  # The private libraries of the desktop package are found by dpkg-shlibdeps there.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
      ${CMAKE_BINARY_DIR}/framework ${CMAKE_BINARY_DIR}/platform/dataset ${CMAKE_BINARY_DIR}/platform/ui
      ${CMAKE_BINARY_DIR}/platform/dbcontrols ${CMAKE_BINARY_DIR}/platform/module)
  include(CPack)
endfunction()
