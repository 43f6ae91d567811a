# Install rules (`cmake --install`, GNU layout) and the Debian package
# (`cpack -G DEB`). Included at the end of the top CMakeLists.txt, so every
# program target is known. The installer program Install has no install rule:
# it is for the distribution folder only.
include(GNUInstallDirs)

set(WEFTSMITH_MAINTAINER "Weftsmith maintainers <maintainers@weftsmith.example>")

set(WEFTSMITH_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/weftsmith)
set(WEFTSMITH_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/weftsmith)
# Directories made by the install get rwxr-xr-x whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The programs find the installed data folder relative to their own folder
# (hosts/datafolder).
file(RELATIVE_PATH installed_data_folder ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/weftsmith)
set_source_files_properties(${PROJECT_SOURCE_DIR}/hosts/datafolder.cpp
  DIRECTORY ${PROJECT_SOURCE_DIR}/hosts
  PROPERTIES COMPILE_DEFINITIONS "WEFTSMITH_INSTALLED_DATA_FOLDER=\"${installed_data_folder}\"")

install(TARGETS weftsmith-build weftsmith-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET Weftsmith)
  install(TARGETS Weftsmith RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# share/weftsmith: what the distribution folder holds beside the programs.
install(FILES ${PROJECT_SOURCE_DIR}/data/alpha ${PROJECT_SOURCE_DIR}/data/pred
              ${PROJECT_SOURCE_DIR}/data/rules ${PROJECT_SOURCE_DIR}/data/prop
              ${PROJECT_SOURCE_DIR}/manual/Help.htm
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/manual/htm
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/manual
        PATTERN ".*" EXCLUDE)
# The example site without pages built in the source tree; its output folder
# goes along empty.
install(FILES ${PROJECT_SOURCE_DIR}/examples/site.bld ${PROJECT_SOURCE_DIR}/examples/pages.csv
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/content ${PROJECT_SOURCE_DIR}/examples/fragments
                  ${PROJECT_SOURCE_DIR}/examples/templates
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/examples
        PATTERN ".*" EXCLUDE)
install(DIRECTORY DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/examples/site)

# The desktop's launcher, icon, the MIME type of build files and what software
# centres show (AppStream) under the program's reverse-DNS id; the metainfo
# names the launcher, which keeps the name it has always had.
set(WEFTSMITH_APP_ID example.weftsmith.weftsmith)
# The date of this version's release, as in packaging/changelog.in.
set(WEFTSMITH_RELEASE_DATE 2026-12-09)
set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${WEFTSMITH_APP_ID}.metainfo.xml.in
               ${packaging_dir}/${WEFTSMITH_APP_ID}.metainfo.xml @ONLY)
if(TARGET Weftsmith)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/weftsmith.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${packaging_dir}/${WEFTSMITH_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/weftsmith.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/weftsmith.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
endif()

# The syntax definitions of build files for other editors (tools/syntaxgen):
# KDE's where Kate, KWrite and KDevelop look for them, the TextMate grammar
# and a VS Code extension folder that holds it in share/weftsmith.
install(FILES ${WEFTSMITH_SYNTAX_DIR}/weftsmith.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/org.kde.syntax-highlighting/syntax)
install(FILES ${WEFTSMITH_SYNTAX_DIR}/weftsmith.tmLanguage.json
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/syntax)
configure_file(${PROJECT_SOURCE_DIR}/packaging/vscode/package.json.in
               ${packaging_dir}/vscode/package.json @ONLY)
install(FILES ${packaging_dir}/vscode/package.json
              ${PROJECT_SOURCE_DIR}/packaging/vscode/language-configuration.json
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/syntax/vscode-weftsmith)
install(FILES ${WEFTSMITH_SYNTAX_DIR}/weftsmith.tmLanguage.json
        DESTINATION ${WEFTSMITH_INSTALL_DATA_DIR}/syntax/vscode-weftsmith/syntaxes)

# Man pages and the changelog compressed as Debian wants them (gzip -9n: no
# name or time stamp, so the bytes do not change from build to build).
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_dir}/changelog @ONLY)
set(man_pages ${PROJECT_SOURCE_DIR}/cli/weftsmith-build.1 ${PROJECT_SOURCE_DIR}/lsp/weftsmith-lsp.1)
if(TARGET Weftsmith)
  list(APPEND man_pages ${PROJECT_SOURCE_DIR}/packaging/Weftsmith.1)
endif()
# The man pages carry the project's one version number.
set(configured_pages)
foreach(source ${man_pages})
  get_filename_component(name ${source} NAME)
  configure_file(${source} ${packaging_dir}/man/${name} @ONLY)
  list(APPEND configured_pages ${packaging_dir}/man/${name})
endforeach()
set(compressed)
foreach(source ${configured_pages} ${packaging_dir}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${packaging_dir}/${name}.gz
    COMMAND gzip -9n -c ${source} > ${packaging_dir}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND compressed ${packaging_dir}/${name}.gz)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed})
add_dependencies(packaging_files syntax_definitions)
foreach(source ${man_pages})
  get_filename_component(name ${source} NAME)
  install(FILES ${packaging_dir}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${packaging_dir}/changelog.gz
        DESTINATION ${WEFTSMITH_INSTALL_DOC_DIR})

# The Debian package: cpack -G DEB in the build folder makes
# weftsmith_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME weftsmith)
set(CPACK_PACKAGE_VENDOR Brindlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build sets of HTML pages from templates")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Weftsmith builds and maintains whole sets of HTML pages from templates. A
short build file makes new files, includes whole files or the body of a named
tag of a file, fills or replaces tags, sets variables, repeats a block for
every record of a CSV data file, branches on equality and runs other build
files.

This package holds the desktop editor for build files (Weftsmith), the
command-line program weftsmith-build, the language server weftsmith-lsp for
other editors, the help, the manual and an example site, and syntax
definitions of build files for Kate, KWrite, KDevelop and editors that read
TextMate grammars.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${WEFTSMITH_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies from the shared libraries the programs use (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolbar's pictures come from this theme when the desktop has none.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adwaita-icon-theme")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
