# The Debian package: cpack -G DEB in the build tree makes lucivane_1.0.0.1_amd64.deb.
# Files go under /usr (the DEB default). Library dependencies come from dpkg-shlibdeps (dpkg-dev);
# the Chinese captions need a CJK font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lucivane)
set(CPACK_PACKAGE_VENDOR Lucivane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "round screen magnifier lens that follows the mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Lucivane puts a round convex (magnifying) or concave (shrinking) lens over a frozen copy of
the whole screen, following the mouse, with optional colour-channel masks. A small control
panel holds the lens radius, factor, shape and colour mask. It runs on X11 (also XWayland).")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lucivane developers <lucivane@lucivane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
# The link bar opens web pages through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)

# make package_source: the source tree without build output, git data or packages.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME lucivane-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/" "/out/" "\\.deb$")

include(CPack)
