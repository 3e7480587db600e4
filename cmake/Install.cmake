# Where the program, its menu entry and its icons go under the install prefix (freedesktop
# layout: the menu finds share/applications/lucivane.desktop, which names the icon "lucivane").
include(GNUInstallDirs)

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${_packaging}/lucivane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 24 48)
  install(FILES ${_packaging}/icons/lucivane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME lucivane.png)
endforeach()
install(FILES ${_packaging}/icons/lucivane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
