# Run by CPack on its staging folder before it builds the Debian package: the
# programs go to /usr/games, where Debian keeps its games, and manual pages and
# changelogs are compressed with gzip -9n, while a plain `cmake --install` keeps
# bin/ and readable pages.
file(GLOB staged_roots LIST_DIRECTORIES true ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr)
foreach(usr IN LISTS staged_roots)
  if(IS_DIRECTORY ${usr}/bin)
    file(RENAME ${usr}/bin ${usr}/games)
  endif()
  file(GLOB documents ${usr}/share/man/man6/*.6 ${usr}/share/doc/velmora/changelog)
  foreach(document IN LISTS documents)
    execute_process(COMMAND gzip -9nf ${document} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${document} failed")
    endif()
  endforeach()
endforeach()
