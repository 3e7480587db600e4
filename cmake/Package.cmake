# The Debian package: cpack -G DEB in the build tree makes lucivane_1.0.0.1_amd64.deb.
# Files go under /usr (the DEB default). Library dependencies come from dpkg-shlibdeps (dpkg-dev);
# the Chinese captions need a CJK font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lucivane)
set(CPACK_PACKAGE_VENDOR Lucivane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "round screen magnifier lens that follows the mouse")
# The extended description as dpkg shows it: lines under 80 columns, paragraphs apart.
set(CPACK_PACKAGE_DESCRIPTION
    "Lucivane puts a round lens over a frozen copy of the whole desktop and
moves it with the mouse. A convex lens magnifies what lies beneath it, a
concave lens shrinks it, and a colour mask can keep only some of the red,
green and blue channels inside the lens. A small control panel sets the
radius, the factor and the shape of the lens and the colour mask.

It runs in an X11 session, or in a Wayland session where it reads the
screen through the desktop portal.")
# Strip debugging symbols, and the .comment and .note sections too (Install.cmake).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lucivane developers <lucivane@lucivane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
# The link bar opens web pages through xdg-open; in a Wayland session Qt's wayland platform and
# the desktop portal's Screenshot interface (with a backend for the desktop) are needed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland, xdg-desktop-portal, \
xdg-desktop-portal-gtk | xdg-desktop-portal-kde | xdg-desktop-portal-wlr")

# make package_source: the source tree without build output, git data or packages.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME lucivane-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/" "/out/" "\\.deb$")

include(CPack)
