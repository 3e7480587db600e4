# Where the program and its files go under the install prefix (freedesktop layout: the menu finds
# share/applications/<id>.desktop, which names the icon "lucivane"; software centres find
# share/metainfo/<id>.metainfo.xml), with the manual page and the Debian documentation files.
include(GNUInstallDirs)

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/lucivane)

install(FILES ${_packaging}/${LUCIVANE_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/${LUCIVANE_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 24 48)
  install(FILES ${_packaging}/icons/lucivane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME lucivane.png)
endforeach()
install(FILES ${_packaging}/icons/lucivane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the changelog compressed as Debian wants them: best compression, no name
# or time stamp in the header, so the same sources give the same bytes.
set(_gz ${PROJECT_BINARY_DIR}/packaging)
foreach(pair "lucivane.1;lucivane.1.gz" "debian/changelog;changelog.gz")
  list(GET pair 0 src)
  list(GET pair 1 dst)
  add_custom_command(OUTPUT ${_gz}/${dst}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${_gz}
                     COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${_packaging}/${src}
                             ${_gz}/${dst}
                     DEPENDS ${_packaging}/${src} VERBATIM)
  list(APPEND _gz_files ${_gz}/${dst})
endforeach()
add_custom_target(lucivane_docs ALL DEPENDS ${_gz_files})
install(FILES ${_gz}/lucivane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_packaging}/debian/copyright ${_gz}/changelog.gz DESTINATION ${_docdir})

# A stripped install (cmake --install --strip, and cpack) also drops the compiler's .comment and
# the .note section, which strip keeps and which only tell which tools built the program.
set(_exe "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/lucivane")
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                            \"${_exe}\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
