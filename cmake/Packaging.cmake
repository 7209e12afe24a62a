# The Debian package: what `make package` (cpack -G DEB) puts into
# vellumark_<version>-<revision>_<arch>.deb. Included at the end of the top-level
# CMakeLists.txt, after the programs' install rules.
#
# Besides the two programs (installed by the top-level file, with the desktop entry and the
# SVG icon) the package holds the AppStream metainfo, PNG icons in the hicolor sizes drawn
# from the SVG at build time, a gzipped man page per program, vellumark-cli's bash, zsh and
# fish completions, the Debian copyright and changelog files and a lintian override. tests/package/package_test.sh checks the result.

# Directories the installation creates are 0755 whatever the umask of the building machine.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(VELLUMARK_APP_ID "org.vellumark.BrivelPDF")
set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_dir})

# --- AppStream metainfo, named after its component id -------------------------------------
install(FILES resources/vellumark.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${VELLUMARK_APP_ID}.metainfo.xml)

# --- Icons: the SVG as drawn, and PNGs at the fixed hicolor sizes -------------------------
set(VELLUMARK_ICON_SIZES 16 24 32 48 64 128 256)
add_executable(render_icon tools/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)

set(icon_svg ${CMAKE_SOURCE_DIR}/resources/icons/vellumark.svg)
set(icon_args "")
set(icon_pngs "")
foreach(size IN LISTS VELLUMARK_ICON_SIZES)
  set(png ${packaging_dir}/icons/${size}x${size}/vellumark.png)
  file(MAKE_DIRECTORY ${packaging_dir}/icons/${size}x${size})
  list(APPEND icon_args ${size} ${png})
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
string(JOIN ", " icon_size_list ${VELLUMARK_ICON_SIZES})
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND render_icon ${icon_svg} ${icon_args}
  DEPENDS render_icon ${icon_svg}
  COMMENT "Drawing the application icon at ${icon_size_list} px"
  VERBATIM)

# --- Man pages and Debian files; gzip -9n: no file name or time stamp in the archive ------
find_program(GZIP_PROGRAM gzip REQUIRED)

# Copies SOURCE to packaging/STAGED and compresses it there into packaging/STAGED.gz.
function(vellumark_gzip source staged)
  get_filename_component(staged_dir ${packaging_dir}/${staged} DIRECTORY)
  add_custom_command(OUTPUT ${packaging_dir}/${staged}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${packaging_dir}/${staged}
    COMMAND ${GZIP_PROGRAM} -9nf ${packaging_dir}/${staged}
    DEPENDS ${source}
    COMMENT "Compressing ${staged}"
    VERBATIM)
endfunction()

# vellumark-cli's man page and shell completions are written by the program from its
# commands' option tables (the man page's prose around them comes from its template).
set(cli_docs_dir ${CMAKE_BINARY_DIR}/cli-docs)
set(cli_man_template ${CMAKE_SOURCE_DIR}/man/vellumark-cli.1.in)
set(cli_docs "")
foreach(kind_file man:vellumark-cli.1 bash:vellumark-cli zsh:_vellumark-cli fish:vellumark-cli.fish)
  string(REPLACE ":" ";" kind_file ${kind_file})
  list(GET kind_file 0 kind)
  list(GET kind_file 1 name)
  add_custom_command(OUTPUT ${cli_docs_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${cli_docs_dir}
    # A sanitized build's leak report at exit is no failure of the generator.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
      $<TARGET_FILE:vellumark-cli> --generate ${kind} ${cli_docs_dir}/${name} ${cli_man_template}
    DEPENDS vellumark-cli ${cli_man_template}
    COMMENT "Writing vellumark-cli's ${kind} ${name} from its option tables"
    VERBATIM)
  list(APPEND cli_docs ${cli_docs_dir}/${name})
endforeach()
install(FILES ${cli_docs_dir}/vellumark-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${cli_docs_dir}/_vellumark-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${cli_docs_dir}/vellumark-cli.fish
  DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

set(man_pages "")
foreach(page vellumark.1 vellumark-cli.1)
  if(page STREQUAL "vellumark-cli.1")
    vellumark_gzip(${cli_docs_dir}/${page} man/${page})
  else()
    vellumark_gzip(${CMAKE_SOURCE_DIR}/man/${page} man/${page})
  endif()
  list(APPEND man_pages ${packaging_dir}/man/${page}.gz)
endforeach()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The changelog's one entry names the package version and the date of the last commit
# (outside git, the time of the configure run, or SOURCE_DATE_EPOCH when it is set).
set(VELLUMARK_DEBIAN_REVISION 1 CACHE STRING "Debian revision appended to the project version")
set(VELLUMARK_PACKAGE_MAINTAINER
  "Brivel PDF maintainers <maintainers@users.noreply.c-seed-bcdba62e.example>"
  CACHE STRING "Maintainer field of the Debian package")
execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%cD
  OUTPUT_VARIABLE VELLUMARK_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE git_result ERROR_QUIET)
if(NOT git_result EQUAL 0 OR VELLUMARK_CHANGELOG_DATE STREQUAL "")
  string(TIMESTAMP VELLUMARK_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(VELLUMARK_DEBIAN_VERSION ${PROJECT_VERSION}-${VELLUMARK_DEBIAN_REVISION})
configure_file(packaging/changelog.Debian.in ${packaging_dir}/changelog.Debian @ONLY)
vellumark_gzip(${packaging_dir}/changelog.Debian doc/changelog.Debian)
install(FILES packaging/copyright ${packaging_dir}/doc/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumark)

install(FILES packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vellumark)

add_custom_target(vellumark_package_data ALL
  DEPENDS ${icon_pngs} ${man_pages} ${cli_docs} ${packaging_dir}/doc/changelog.Debian.gz)

# --- CPack: one .deb ----------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellumark)
set(CPACK_PACKAGE_VENDOR "Brivel PDF")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELLUMARK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PDF reader and editor (Brivel PDF)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Brivel PDF is a desktop PDF reader and editor built on Qt 6 and MuPDF. It pages\n"
  "through documents in four layouts with thumbnails, searches, bookmarks and\n"
  "highlights text, composes new documents, turns images into PDFs, exports text,\n"
  "images or an annotated copy, recognises the text of scanned pages, signs and\n"
  "verifies documents, manages pages, protects copies with passwords, stamps\n"
  "watermarks, compares documents side by side and fills form fields.\n"
  "\n"
  "The package contains the application (vellumark) and a command-line tool\n"
  "(vellumark-cli) that offers the same services without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME vellumark)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELLUMARK_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELLUMARK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps (dpkg-dev); what the programs load or read at run time
# without linking it is listed here: fonts, the English OCR model, Qt's image-format
# plugins and SVG icon engine (in libqt6svg6, which the programs also link), and the
# libraries opened on first use: the OCR engine and the text layout of new documents.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(CONCAT CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-urw-base35, fonts-dejavu-core, fonts-droid-fallback, tesseract-ocr-eng, "
  "qt6-image-formats-plugins, libqt6svg6, libtesseract5, libpangocairo-1.0-0, libcairo2")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_THREADS 0) # xz on every core: each program carries MuPDF and its fonts (~45 MB)

include(CPack)
