# The Debian package, built by `bash scripts/package` with CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorva developers <quorva@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "lists of number rows and their difference triangles
Quorva keeps an ordered list of rows of seven whole numbers (0 to 99),
saves and opens them as .tir text files, and exports the difference
triangle of one column as a semicolon-separated CSV file for a spreadsheet.")
# The shared libraries the binary links decide the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Every Debian package carries its copyright and changelog.
set(QUORVA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorva)
set(QUORVA_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${QUORVA_CHANGELOG_GZ}
                   COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${QUORVA_CHANGELOG_GZ}
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(quorva_changelog ALL DEPENDS ${QUORVA_CHANGELOG_GZ})
install(FILES packaging/copyright ${QUORVA_CHANGELOG_GZ} DESTINATION ${QUORVA_DOC_DIR})

include(CPack)
