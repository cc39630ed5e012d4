# The Debian package, built by `bash scripts/package` with CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorva developers <quorva@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "lists of number rows and their difference triangles
Quorva keeps an ordered list of rows of seven whole numbers (0 to 99),
saves and opens them as .tir text files, and exports the difference
triangle of one column as a semicolon-separated CSV file for a spreadsheet.")
# The shared libraries the binary links decide the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icon in its scalable form at any size; the drawn sizes do without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-svg-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Every Debian package carries its copyright and changelog.
set(QUORVA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorva)
set(QUORVA_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${QUORVA_CHANGELOG_GZ}
                   COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${QUORVA_CHANGELOG_GZ}
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(quorva_changelog ALL DEPENDS ${QUORVA_CHANGELOG_GZ})
install(FILES packaging/copyright ${QUORVA_CHANGELOG_GZ} DESTINATION ${QUORVA_DOC_DIR})

# What software centres show of the program.
install(FILES packaging/io.github.quorva.quorva.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page, made from the program's own --help and the sections of
# packaging/quorva.h2m, so that it tells what the program accepts.
# Not in the sanitizer builds, whose checks at exit are no business of the
# build's own run of the program.
find_program(HELP2MAN help2man)
if(HELP2MAN AND TARGET quorva AND NOT QUORVA_SANITIZE AND NOT QUORVA_BUILD_FUZZ)
  set(QUORVA_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/quorva.1)
  add_custom_command(OUTPUT ${QUORVA_MAN_PAGE}
                     COMMAND ${HELP2MAN} --no-info --section=1
                             --include=${PROJECT_SOURCE_DIR}/packaging/quorva.h2m
                             --output=${QUORVA_MAN_PAGE} $<TARGET_FILE:quorva>
                     DEPENDS quorva ${PROJECT_SOURCE_DIR}/packaging/quorva.h2m)
  set(QUORVA_MAN_PAGE_GZ ${QUORVA_MAN_PAGE}.gz)
  add_custom_command(OUTPUT ${QUORVA_MAN_PAGE_GZ}
                     COMMAND gzip -9 -n -c ${QUORVA_MAN_PAGE} > ${QUORVA_MAN_PAGE_GZ}
                     DEPENDS ${QUORVA_MAN_PAGE})
  add_custom_target(quorva_man_page ALL DEPENDS ${QUORVA_MAN_PAGE_GZ})
  install(FILES ${QUORVA_MAN_PAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "The manual page is not built (it needs help2man and a plain build)")
endif()

include(CPack)
