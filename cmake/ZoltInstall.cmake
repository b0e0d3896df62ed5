# Installation (cmake --install, honouring CMAKE_INSTALL_PREFIX and DESTDIR), the build tree's
# copy of the installed data, and the Debian package (cmake --build <dir> --target package).
#
# Installed layout, relative to the prefix:
#   bin/                      zolt, zoltctl, zolt-tester-sim, zoltpack
#   lib/<multiarch>/zolt/     libCOMMVELANTO.so, KROButton.ocx, KroLabel.ocx, regsvr
#   share/zolt/               texts, pictures, help files, demo/ (catalogue, software, install/)
#   share/applications/, share/metainfo/, share/icons/hicolor/, share/man/man1/,
#   share/bash-completion/completions/, share/doc/zolt/
#   <Qt plugins>/designer/    the Designer plugin (component Designer, a package of its own)
# The programs find their data and private files from their own folder, so an installed tree
# works wherever it is unpacked; the build tree has the same share/zolt/ beside its bin/.

include(GNUInstallDirs)

set(ZOLT_APP_ID "it.velanto.zolt" CACHE STRING
    "Reverse-DNS id of the desktop entry, the icon and the AppStream data")
set(ZOLT_PACKAGE_MAINTAINER "ZOLT maintainers <maintainers@users.noreply.c-seed-23eedbfa.example>"
    CACHE STRING "Maintainer named in the Debian package")
option(ZOLT_PACKAGE_DESIGNER "Also package the Designer plugin, as zolt-designer-plugin" ON)
set(ZOLT_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/zolt)
set(ZOLT_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/zolt)
set(ZOLT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zolt)

# What the programs need to know of the layout: where their data and private files lie as seen
# from bin/, and the desktop entry their windows belong to.
file(RELATIVE_PATH zolt_share_relative ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/zolt)
file(RELATIVE_PATH zolt_private_relative ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBDIR}/zolt)
if(TARGET zolt_core)
  target_compile_definitions(zolt_core PRIVATE ZOLT_SHARE_RELATIVE="${zolt_share_relative}"
                                               ZOLT_PRIVATE_RELATIVE="${zolt_private_relative}")
endif()
if(TARGET zolt_app)
  target_compile_definitions(zolt_app PRIVATE ZOLT_APP_ID="${ZOLT_APP_ID}")
  # The program under its Linux name; ZOLT stays the build tree's name for the README's demo.
  add_executable(zolt ${CMAKE_SOURCE_DIR}/app/main.cpp)
  target_link_libraries(zolt PRIVATE zolt_app)
endif()

find_package(Python3 COMPONENTS Interpreter)
find_program(SCDOC_EXECUTABLE scdoc)
find_program(GZIP_EXECUTABLE gzip)

# share/zolt/ of the build tree: what the installed programs read, built and copied here so that
# programs and tests of the build tree find the same files as an installation.
set(stage ${CMAKE_BINARY_DIR}/share/zolt)
set(staged "")
foreach(file SWBASE.TXT LOGO.BMP LOGOINIT.BMP LogoPrn.Bmp)
  add_custom_command(OUTPUT ${stage}/${file}
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/${file} ${stage}/${file}
                     DEPENDS ${CMAKE_SOURCE_DIR}/data/${file} VERBATIM)
  list(APPEND staged ${stage}/${file})
endforeach()
if(TARGET zolt_help)
  get_directory_property(help_languages DIRECTORY ${CMAKE_SOURCE_DIR}/data
                         DEFINITION ZOLT_HELP_LANGUAGES)
  foreach(code IN LISTS help_languages)
    set(chm ${CMAKE_BINARY_DIR}/data/TVELANTO_${code}.CHM)
    add_custom_command(OUTPUT ${stage}/TVELANTO_${code}.CHM
                       COMMAND ${CMAKE_COMMAND} -E copy ${chm} ${stage}/TVELANTO_${code}.CHM
                       DEPENDS ${chm} zolt_help VERBATIM)
    list(APPEND staged ${stage}/TVELANTO_${code}.CHM)
  endforeach()
endif()
# The demo: its catalogue, the software files it names, and a folder of descriptions to try the
# installation of new software with.
if(Python3_FOUND)
  file(GLOB demo_install CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/demo/install/*)
  set(demo_stamp ${CMAKE_CURRENT_BINARY_DIR}/demo.stamp)
  add_custom_command(
    OUTPUT ${demo_stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}/demo
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/demo
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/demo/ECU.INI ${stage}/demo/ECU.INI
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data/demo/install
            ${stage}/demo/install
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/demo/make_demo_software.py
            ${stage}/demo > ${CMAKE_CURRENT_BINARY_DIR}/demo.log
    COMMAND ${CMAKE_COMMAND} -E touch ${demo_stamp}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/demo/ECU.INI ${demo_install}
            ${CMAKE_SOURCE_DIR}/tools/demo/make_demo_software.py
    COMMENT "Making the demo catalogue's software"
    VERBATIM)
  list(APPEND staged ${demo_stamp})
endif()

# Desktop entry, AppStream data, manual pages and the Debian documentation files.
set(desktop_dir ${CMAKE_BINARY_DIR}/desktop)
configure_file(${CMAKE_SOURCE_DIR}/data/desktop/zolt.desktop.in
               ${desktop_dir}/${ZOLT_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/desktop/zolt.metainfo.xml.in
               ${desktop_dir}/${ZOLT_APP_ID}.metainfo.xml @ONLY)

set(ZOLT_MAN_PAGES zolt zoltctl zolt-tester-sim zoltpack)
set(man_dir ${CMAKE_BINARY_DIR}/man)
set(man_files "")
file(MAKE_DIRECTORY ${man_dir} ${stage} ${CMAKE_BINARY_DIR}/doc)
if(SCDOC_EXECUTABLE AND GZIP_EXECUTABLE)
  foreach(page IN LISTS ZOLT_MAN_PAGES)
    set(source ${CMAKE_SOURCE_DIR}/data/man/${page}.1.scd)
    # gzip -n: the same page gives the same bytes, whenever it is built.
    add_custom_command(
      OUTPUT ${man_dir}/${page}.1 ${man_dir}/${page}.1.gz
      COMMAND ${SCDOC_EXECUTABLE} < ${source} > ${man_dir}/${page}.1
      COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${man_dir}/${page}.1 > ${man_dir}/${page}.1.gz
      DEPENDS ${source}
      COMMENT "Manual page ${page}(1)"
      VERBATIM)
    list(APPEND man_files ${man_dir}/${page}.1.gz)
  endforeach()
else()
  message(STATUS "scdoc or gzip not found: no manual pages are built or installed")
endif()
set(changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
if(GZIP_EXECUTABLE)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/debian/changelog VERBATIM)
else()
  set(changelog "")
endif()

add_custom_target(zolt_share ALL DEPENDS ${staged} ${man_files} ${changelog})
if(TARGET zolt_help)
  add_dependencies(zolt_share zolt_help)
endif()

# Install rules. Component Runtime is the package zolt; Designer its own package.
set(programs "")
foreach(program zolt zoltctl zolt-tester-sim zoltpack)
  if(TARGET ${program})
    list(APPEND programs ${program})
  endif()
endforeach()
install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
set(private "")
foreach(target COMMVELANTO KROButton KroLabel regsvr)
  if(TARGET ${target})
    list(APPEND private ${target})
  endif()
endforeach()
install(TARGETS ${private} LIBRARY DESTINATION ${ZOLT_PRIVATE_DIR} COMPONENT Runtime
        RUNTIME DESTINATION ${ZOLT_PRIVATE_DIR} COMPONENT Runtime)
install(DIRECTORY ${stage}/ DESTINATION ${ZOLT_SHARE_DIR} COMPONENT Runtime)

install(FILES ${desktop_dir}/${ZOLT_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
install(FILES ${desktop_dir}/${ZOLT_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/zolt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${ZOLT_APP_ID}.svg COMPONENT Runtime)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/data/pictures/app_128_${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ZOLT_APP_ID}.png COMPONENT Runtime)
endforeach()
if(man_files)
  install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/zoltctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright ${changelog}
        DESTINATION ${ZOLT_DOC_DIR} COMPONENT Runtime)

if(TARGET kro_designer_plugin)
  install(TARGETS kro_designer_plugin LIBRARY DESTINATION ${QT6_INSTALL_PLUGINS}/designer
          COMPONENT Designer EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zolt-designer-plugin
          COMPONENT Designer EXCLUDE_FROM_ALL)
endif()

# The installed tree, checked as a workshop's PC sees it (tools/check_install.py).
if(ZOLT_TESTS AND Python3_FOUND AND TARGET zolt AND TARGET zoltctl AND TARGET zolt-tester-sim
   AND TARGET zoltpack AND TARGET COMMVELANTO AND TARGET regsvr AND TARGET KroLabel)
  set(designer "")
  if(TARGET kro_designer_plugin)
    set(designer --designer-dir ${QT6_INSTALL_PLUGINS}/designer)
  endif()
  add_test(NAME install_tree
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_install.py
                   --build ${CMAKE_BINARY_DIR} --libdir ${CMAKE_INSTALL_LIBDIR}
                   --app-id ${ZOLT_APP_ID} ${designer})
  set_tests_properties(install_tree PROPERTIES TIMEOUT 300 LABELS e2e)
endif()

# The Debian package. Configure with -DCMAKE_INSTALL_PREFIX=/usr (tools/build-package.sh does).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zolt)
set(CPACK_PACKAGE_VENDOR "ZOLT")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_CONTACT "${ZOLT_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZOLT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME zolt)
# The windows need a platform plugin, which the Qt libraries only recommend.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# CPack indents every line after the synopsis by one blank itself.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "manager for a vehicle-diagnosis tester on a serial line
ZOLT looks after a handheld vehicle-diagnosis tester connected to the
workshop PC by a serial cable. It lists the ECU software the tester
carries and deletes it, downloads ECU software chosen by vehicle from the
PC's catalogue to the tester, installs new ECU software into the
catalogue, and prints a report of the program's and the link's versions.
.
It speaks Italian, English, French, German, Spanish and Greek. The
package also holds zoltctl, which does the same work from the command
line, a tester simulator for trying it without a tester, and zoltpack.")
if(TARGET kro_designer_plugin AND ZOLT_PACKAGE_DESIGNER)
  list(APPEND CPACK_COMPONENTS_ALL Designer)
  set(CPACK_DEBIAN_DESIGNER_PACKAGE_NAME zolt-designer-plugin)
  set(CPACK_DEBIAN_DESIGNER_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_DESIGNER_DESCRIPTION
      "Qt Designer plugin with ZOLT's button and label controls
Places the custom-drawn button and label controls of ZOLT in Qt Designer
forms, with their properties in Designer's property editor.")
endif()
include(CPack)
