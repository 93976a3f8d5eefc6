# The installed layout, and the Debian package made from it with CPack.
#
#   bin/                                 brindlequay, brindlequay-cli
#   share/brindlequay/libs/              the shipped scripts (copied to the user's)
#   share/brindlequay/help/              help page and script language reference
#   share/applications/brindlequay.desktop
#   share/metainfo/<id>.metainfo.xml     AppStream: summaries, screenshot, release
#   share/icons/hicolor/*/apps/          the icon, 16 to 256 and scalable
#   share/man/man1/                      brindlequay(1), brindlequay-cli(1)
#   share/bash-completion/completions/   brindlequay-cli
#   share/doc/brindlequay/               copyright, changelog
#   share/lintian/overrides/brindlequay  the lintian warnings kept, with reasons
#
# The programs find libs/ and help/ through ../share/brindlequay beside
# their bin/ folder, whatever the prefix.

include(GNUInstallDirs)

set(BQ_APPSTREAM_ID org.brindlequay.brindlequay)
set(BQ_HOMEPAGE "https://brindlequay.org/")
set(BQ_MAINTAINER "Brindlequay maintainers <maintainers@brindlequay.org>")

set(bq_share ${CMAKE_INSTALL_DATADIR}/brindlequay)
install(TARGETS brindlequay-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/libs/ DESTINATION ${bq_share}/libs)
install(FILES ${CMAKE_BINARY_DIR}/help/script-reference.html ${CMAKE_BINARY_DIR}/help/script-guide.html
        DESTINATION ${bq_share}/help)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/brindlequay-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brindlequay-cli)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME brindlequay)

# Manual pages and the changelog, compressed as Debian wants them (gzip -n:
# no name or time stamp inside, so a rebuild gives the same bytes). The
# pages name the installed folders, so they are written when installing,
# for the prefix installed to.
find_program(BQ_GZIP gzip REQUIRED)
set(bq_man_pages brindlequay-cli)
if(BQ_HAVE_GUI)
  list(APPEND bq_man_pages brindlequay)
endif()
install(CODE "
  set(BQ_VERSION \"${BQ_VERSION}\")
  set(BQ_DATE \"${BQ_RELEASE_DATE}\")
  set(BQ_SHARE \"\${CMAKE_INSTALL_PREFIX}/${bq_share}\")
  set(stage \"${CMAKE_BINARY_DIR}/install-stage\")
  file(MAKE_DIRECTORY \${stage})
  foreach(page ${bq_man_pages})
    configure_file(\"${CMAKE_SOURCE_DIR}/doc/\${page}.1\" \"\${stage}/\${page}.1\" @ONLY)
    execute_process(COMMAND \"${BQ_GZIP}\" -9nf \"\${stage}/\${page}.1\" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/changelog\" \"\${stage}/changelog\" COPYONLY)
  execute_process(COMMAND \"${BQ_GZIP}\" -9nf \"\${stage}/changelog\" COMMAND_ERROR_IS_FATAL ANY)
")
foreach(page IN LISTS bq_man_pages)
  install(FILES ${CMAKE_BINARY_DIR}/install-stage/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/install-stage/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(BQ_HAVE_GUI)
  install(TARGETS brindlequay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${bq_share}/help)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/brindlequay.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/brindlequay.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/${BQ_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${BQ_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The Debian package: cpack -G DEB in the build folder (./run package).
set(CPACK_PACKAGE_NAME brindlequay)
set(CPACK_PACKAGE_VERSION ${BQ_VERSION})
set(CPACK_PACKAGE_CONTACT ${BQ_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect articles from web sites and read them")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The manual pages name the installed folders: install with the package's
# prefix, staged through DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BQ_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded on the first TLS session (dlopen), so not seen by shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3")
# The window and the articles are Japanese: any of these fonts shows them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-vlgothic | fonts-ipafont-gothic")
# The summary above is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brindlequay collects text from the web sites you follow: bulletin boards,
news pages, diaries. You keep a tree of site folders; each names a script
and a start address. The script, in Brindlequay's own small language,
fetches the pages, cuts the wanted passages out of the HTML and stores them
as articles, which you read with unread marks and threads. Text inside is
Shift_JIS; pages in other encodings are converted on arrival.
.
The package holds the Qt desktop program brindlequay, Japanese throughout,
with rounds by hand or on an hourly schedule from the tray and a script
workbench, and the headless runner brindlequay-cli, which does the same
jobs on servers and from scripts on the same data folder.")
include(CPack)
